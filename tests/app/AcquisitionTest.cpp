#include <gtest/gtest.h>

#include <chrono>

#include "app/Acquisition.h"

namespace quillfen {
namespace {

SpectrometerRecord finished(std::optional<std::int64_t> firstTimestamp, std::uint32_t micros) {
    SpectrometerRecord record;
    record.firstTimestamp_ns = firstTimestamp;
    record.integrationTime_us = micros;
    return record;
}

TEST(RelativeDelays, FirstTimestampedRecordIsTheReference) {
    struct Case {
        std::optional<std::int64_t> timestamp;
        std::uint32_t micros;
        std::int64_t delay;
    };
    // In processing order. The first record has no frame: delay 0, and the next one becomes the
    // reference; the 5000 us record starts its exposure 1 ms earlier than it finished.
    const Case cases[] = {
        {std::nullopt, 4000, 0},
        {10000000, 4000, 0},
        {10400000, 5000, 10400000 + 1000 * (4000 - 5000) - 10000000},  // -0.6 ms
        {std::nullopt, 5000, 0},
        {9000000, 4000, -1000000},
    };
    RelativeDelays delays;
    for (const Case& c : cases)
        EXPECT_EQ(delays.delayOf(finished(c.timestamp, c.micros)), c.delay);
}

TEST(RelativeDelays, WideIntegrationTimesDoNotWrap) {
    RelativeDelays delays;
    EXPECT_EQ(delays.delayOf(finished(0, 4294967295u)), 0);
    EXPECT_EQ(delays.delayOf(finished(0, 0)), 4294967295LL * 1000);
}

TEST(SleepMillis, WaitsAtLeastTheTimeAsked) {
    const auto start = std::chrono::steady_clock::now();
    sleepMillis(30);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

}  // namespace
}  // namespace quillfen
