// When spectra are answered: after the integration time, and in a hardware-trigger mode first
// after the bench's trigger (each unit after its own offset). Simulated time is moved by hand
// and the units are polled, as the emulated USB bus does.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "tests/sim/support/SimTestBench.h"

namespace spectro::sim::test {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

class SimTrigger : public ::testing::Test {
  protected:
    // Three HR2000+ units (trigger offsets 0, 2 ms, 0) on a trigger 300 ms after arming.
    void build(const std::string& trigger = R"({"after_armed_ms": 300})") {
        const std::string json = R"({"trigger": )" + trigger + R"(, "devices": [
            {"model": "HR2000+", "serial": "A", "pattern": "ramp"},
            {"model": "HR2000+", "serial": "B", "pattern": "ramp", "trigger_offset_us": 2000},
            {"model": "HR2000+", "serial": "C", "pattern": "ramp"}]})";
        bench = std::make_unique<SimBench>(parseBench(json), clock);
        for (const auto& unit : bench->units()) {
            ASSERT_TRUE(unit->open());
            send(*unit, {0x02, 0x10, 0x27, 0x00, 0x00});  // 10 ms
        }
    }
    void send(UnitPort& unit, const Bytes& bytes) {
        ASSERT_EQ(unit.write(0x01, bytes.data(), static_cast<int>(bytes.size())),
                  static_cast<int>(bytes.size()));
    }
    UnitPort& unit(std::size_t place) { return *bench->units().at(place); }
    void at(microseconds time) { clock->set(time); }
    // Polls for the frame; true when it was handed out whole.
    bool frameReady(UnitPort& unit) {
        Bytes frame(4097);
        const PollResult result = unit.poll(0x82, frame.data(), 4097);
        EXPECT_NE(result.state, PollState::Failed);
        return result.state == PollState::Ready && result.count == 4097;
    }

    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::unique_ptr<SimBench> bench;
};

TEST_F(SimTrigger, SoftwareModeAnswersEachRequestAfterTheIntegrationTime) {
    build();
    at(milliseconds(5));
    send(unit(0), {0x09});
    at(microseconds(14999));
    EXPECT_FALSE(frameReady(unit(0)));
    at(milliseconds(15));
    EXPECT_TRUE(frameReady(unit(0)));

    at(milliseconds(20));
    send(unit(0), {0x09});
    at(milliseconds(30));
    EXPECT_TRUE(frameReady(unit(0)));
    send(unit(0), {0x09});  // the next exposure starts when it is asked for
    at(microseconds(39999));
    EXPECT_FALSE(frameReady(unit(0)));
    at(milliseconds(40));
    EXPECT_TRUE(frameReady(unit(0)));
}

TEST_F(SimTrigger, UnitsWaitingTogetherSeeOneTriggerEachAfterItsOffset) {
    build();
    for (std::size_t place : {0u, 1u, 2u}) send(unit(place), {0x0A, 0x01, 0x00});
    at(milliseconds(5));
    send(unit(0), {0x09});  // arms the trigger: it fires at 305 ms
    at(milliseconds(100));
    send(unit(1), {0x09});  // already waiting when it fires

    at(microseconds(314999));
    EXPECT_FALSE(frameReady(unit(0)));
    at(milliseconds(315));
    EXPECT_TRUE(frameReady(unit(0)));
    at(microseconds(316999));
    EXPECT_FALSE(frameReady(unit(1)));
    at(milliseconds(317));
    EXPECT_TRUE(frameReady(unit(1)));

    // Starting to wait after the firing: served by the next trigger, 300 ms later.
    at(milliseconds(400));
    send(unit(2), {0x09});
    at(microseconds(709999));
    EXPECT_FALSE(frameReady(unit(2)));
    at(milliseconds(710));
    EXPECT_TRUE(frameReady(unit(2)));
}

TEST_F(SimTrigger,
       AfterTheTriggerRequestsAreAnsweredAfterTheIntegrationTimeUntilTheModeIsSetAgain) {
    build();
    send(unit(0), {0x0A, 0x01, 0x00});
    send(unit(0), {0x09});
    at(milliseconds(310));
    EXPECT_TRUE(frameReady(unit(0)));

    at(milliseconds(400));
    send(unit(0), {0x09});
    at(milliseconds(410));
    EXPECT_TRUE(frameReady(unit(0)));

    // Setting the mode again, even to the same value, waits for a trigger once more.
    send(unit(0), {0x0A, 0x01, 0x00});
    at(milliseconds(420));
    send(unit(0), {0x09});
    at(milliseconds(729));
    EXPECT_FALSE(frameReady(unit(0)));
    at(milliseconds(730));
    EXPECT_TRUE(frameReady(unit(0)));
}

TEST_F(SimTrigger, ReopeningTheUnitWaitsForATriggerAgain) {
    build();
    send(unit(0), {0x0A, 0x01, 0x00});
    send(unit(0), {0x09});
    at(milliseconds(310));
    EXPECT_TRUE(frameReady(unit(0)));

    unit(0).close();
    ASSERT_TRUE(unit(0).open());
    at(milliseconds(400));
    send(unit(0), {0x09});
    at(milliseconds(410));
    EXPECT_FALSE(frameReady(unit(0)));
    at(milliseconds(710));
    EXPECT_TRUE(frameReady(unit(0)));
}

// The next command of the host gives up on such a spectrum (it fails and drops it).
TEST_F(SimTrigger, ATriggerThatNeverFiresLeavesTheSpectrumPending) {
    build("null");
    send(unit(0), {0x0A, 0x01, 0x00});
    send(unit(0), {0x09});
    at(std::chrono::hours(24 * 365));
    EXPECT_FALSE(frameReady(unit(0)));

    // Software mode is not affected by the trigger line.
    send(unit(1), {0x09});
    at(std::chrono::hours(24 * 365) + milliseconds(10));
    EXPECT_TRUE(frameReady(unit(1)));
}

// Wall-time behaviour through the simulated platform, as quillfen-sim sees it.

TEST(SimRealtimeTrigger, ABlockingReadWaitsForTriggerOffsetAndIntegrationTime) {
    SimTestBench bench(R"({"trigger": {"after_armed_ms": 60}, "devices": [
        {"model": "HR2000+", "serial": "A", "trigger_offset_us": 20000}]})");
    auto unit = bench.open(0);
    ASSERT_NE(unit, nullptr);
    ASSERT_TRUE(command(*unit, 0x01, {0x02, 0x88, 0x13, 0x00, 0x00}));  // 5 ms
    ASSERT_TRUE(command(*unit, 0x01, {0x0A, 0x01, 0x00}));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(command(*unit, 0x01, {0x09}));
    const auto frame = reply(*unit, 0x82, 4097);
    const auto waited = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->size(), 4097u);
    EXPECT_GE(waited, milliseconds(85));
}

// What ends the wait: the unit is closed, or the host's next command drops the spectrum.
class SimNeverFiringTrigger : public ::testing::TestWithParam<bool> {};

TEST_P(SimNeverFiringTrigger, AWaitingReadSleepsUntilTheSpectrumIsGivenUp) {
    // Everything the reader touches lives on the heap and is shared with it, so that a reader
    // that is never woken can be left behind (and reported) instead of hanging the test.
    struct Shared {
        SimTestBench bench{
            R"({"trigger": null, "devices": [{"model": "HR2000+", "serial": "A"}]})"};
        std::unique_ptr<UsbConnection> unit = bench.open(0);
        std::atomic<bool> returned{false};
        int moved = 0;
        double cpuSeconds = 0;
    };
    auto shared = std::make_shared<Shared>();
    ASSERT_NE(shared->unit, nullptr);
    ASSERT_TRUE(command(*shared->unit, 0x01, {0x0A, 0x01, 0x00}));
    ASSERT_TRUE(command(*shared->unit, 0x01, {0x09}));

    std::thread reader([shared] {
        Bytes frame(4097);
        shared->moved = shared->unit->bulkRead(0x82, frame.data(), 4097);
        rusage usage{};
        getrusage(RUSAGE_THREAD, &usage);
        shared->cpuSeconds =
            static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        shared->returned = true;
    });
    std::this_thread::sleep_for(milliseconds(400));
    EXPECT_FALSE(shared->returned.load());
    const bool byCommand = GetParam();
    if (byCommand)
        EXPECT_FALSE(command(*shared->unit, 0x01, {0xFE}));
    else
        shared->bench.bench().units()[0]->close();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!shared->returned.load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(milliseconds(5));
    if (!shared->returned.load()) {
        reader.detach();
        FAIL() << "giving up the spectrum did not wake the waiting read";
    }
    reader.join();
    EXPECT_EQ(shared->moved, -1);
    EXPECT_LT(shared->cpuSeconds, 0.05) << "the waiting thread must sleep";
}

INSTANTIATE_TEST_SUITE_P(Endings, SimNeverFiringTrigger, ::testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "ByACommand" : "ByClosing");
});

TEST(SimFastTiming, WaitsNothingInWallTime) {
    SimTestBench bench(R"({"timing": "fast", "trigger": {"after_armed_ms": 60000}, "devices": [
        {"model": "HR2000+", "serial": "A"}]})");
    auto unit = bench.open(0);
    ASSERT_NE(unit, nullptr);
    ASSERT_TRUE(command(*unit, 0x01, {0x02, 0x80, 0x96, 0x98, 0x00}));  // 10 s
    ASSERT_TRUE(command(*unit, 0x01, {0x0A, 0x01, 0x00}));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(command(*unit, 0x01, {0x09}));
        ASSERT_TRUE(reply(*unit, 0x82, 4097).has_value());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_GE(bench.bench().clock().now(), std::chrono::seconds(90));  // 60 s trigger + 3 x 10 s
}

}  // namespace
}  // namespace spectro::sim::test
