#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/api/SpectroWrapper.h"

namespace spectro {
namespace {

std::string messageOf(int code, int bufferLength = 64) {
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    SpectroWrapper::getErrorMessage(code, buffer, bufferLength);
    return buffer;
}

TEST(ErrorMessages, CoverCodesZeroToSevenAndNothingElse) {
    const char* expected[] = {"Success",
                              "Error number undefined",
                              "No device found",
                              "Could not close device",
                              "Feature not implemented",
                              "No such feature on device",
                              "Data transfer error",
                              "Invalid user buffer provided"};
    for (int code = 0; code < 8; ++code) {
        EXPECT_EQ(messageOf(code), expected[code]) << code;
    }
    for (int code : {8, -1, 100, -2147483647 - 1}) {
        EXPECT_EQ(messageOf(code), "Error number undefined") << code;
    }
}

TEST(ErrorMessages, AreCutToTheBuffer) {
    EXPECT_EQ(messageOf(7, 8), "Invalid");
    EXPECT_EQ(messageOf(0, 1), "");
}

TEST(SpectroWrapperWithoutDevices, ReportsEmptySlots) {
    SpectroWrapper& facade = SpectroWrapper::getInstance();
    EXPECT_EQ(&facade, &SpectroWrapper::getInstance());

    int code = -1;
    EXPECT_EQ(facade.openSpectrometer(0, &code), 1);
    EXPECT_EQ(code, 2);

    char name[SpectroWrapper::MODEL_NAME_BUFFER];
    std::memset(name, 'x', sizeof name);
    code = -1;
    EXPECT_EQ(facade.getModelName(0, &code, name), 4);
    EXPECT_EQ(code, 2);
    EXPECT_STREQ(name, "NONE");
    EXPECT_EQ(name[SpectroWrapper::MODEL_NAME_BUFFER - 1], '\0');

    code = -1;
    facade.closeSpectrometer(31, &code);
    EXPECT_EQ(code, 2);
    facade.closeSpectrometer(31, nullptr);  // no code location: nothing stored, no crash

    char serial[SpectroWrapper::SERIAL_NUMBER_BUFFER];
    code = -1;
    EXPECT_EQ(facade.getSerialNumber(5, &code, serial), 0);
    EXPECT_EQ(code, 2);
}

// Every call on an empty slot, or on an index outside the table, ends with code 2 and the
// call's neutral result, and leaves the caller's buffers alone.
TEST(SpectroWrapperWithoutDevices, EveryCallOnAnEmptySlotGivesCodeTwoAndItsNeutralResult) {
    SpectroWrapper& facade = SpectroWrapper::getInstance();
    std::vector<double> values(4, -7.0);
    std::vector<double> intervals(2, -7.0);
    std::int32_t integration = -7;
    std::int32_t pixels = -7;
    std::array<double, 8> nonlinearity;
    nonlinearity.fill(-7.0);
    double strayLight = -7.0;
    std::optional<std::int64_t> firstTimestamp = 42;
    std::atomic<std::uint8_t> started{0};

    struct Case {
        const char* call;
        std::function<double(int, int*)> run;
        double neutral;
    };
    const Case cases[] = {
        {"setTriggerMode",
         [&](int i, int* c) {
             facade.setTriggerMode(i, c, 0);
             return 0.0;
         },
         0},
        {"setIntegrationTimeMicros",
         [&](int i, int* c) {
             facade.setIntegrationTimeMicros(i, c, 5000);
             return 0.0;
         },
         0},
        {"getMinIntegrationTimeMicros",
         [&](int i, int* c) { return facade.getMinIntegrationTimeMicros(i, c); }, -1},
        {"getMaxIntegrationTimeMicros",
         [&](int i, int* c) { return facade.getMaxIntegrationTimeMicros(i, c); }, -1},
        {"getSpectrumLength", [&](int i, int* c) { return facade.getSpectrumLength(i, c); }, 0},
        {"getSpectrum", [&](int i, int* c) { return facade.getSpectrum(i, c, values.data(), 4); },
         0},
        // The empty slot is reported before the missing buffer.
        {"getSpectrum without buffer",
         [&](int i, int* c) { return facade.getSpectrum(i, c, nullptr, 4); }, 0},
        {"getWavelengths",
         [&](int i, int* c) { return facade.getWavelengths(i, c, values.data(), 4); }, 0},
        {"getWavelengths without buffer",
         [&](int i, int* c) { return facade.getWavelengths(i, c, nullptr, 4); }, 0},
        {"enableStrobeLamp",
         [&](int i, int* c) {
             facade.enableStrobeLamp(i, c);
             return 0.0;
         },
         0},
        {"getFWversion", [&](int i, int* c) { return facade.getFWversion(i, c); }, 0},
        {"getPCBTemperature", [&](int i, int* c) { return facade.getPCBTemperature(i, c); }, 0},
        {"setStrobeHighDelay",
         [&](int i, int* c) {
             facade.setStrobeHighDelay(i, c);
             return 0.0;
         },
         0},
        {"getStrobeHighDelay", [&](int i, int* c) { return facade.getStrobeHighDelay(i, c); }, 0},
        {"setStrobeLowDelay",
         [&](int i, int* c) {
             facade.setStrobeLowDelay(i, c);
             return 0.0;
         },
         0},
        {"getStrobeLowDelay", [&](int i, int* c) { return facade.getStrobeLowDelay(i, c); }, 0},
        {"queryStatus", [&](int i, int* c) { return facade.queryStatus(i, c, &integration); }, 0},
        {"getCalibration",
         [&](int i, int* c) { return facade.getCalibration(i, c, &nonlinearity, &strayLight); }, 0},
        {"collectSpectra",
         [&](int i, int* c) {
             return facade.collectSpectra(i, c, 2, values, &pixels, intervals, &firstTimestamp,
                                          &started);
         },
         0},
    };
    for (const Case& c : cases) {
        for (int index : {0, 31, -1, 32}) {
            SCOPED_TRACE(std::string(c.call) + " on slot " + std::to_string(index));
            int code = -1;
            EXPECT_EQ(c.run(index, &code), c.neutral);
            EXPECT_EQ(code, 2);
            c.run(index, nullptr);  // no code location: nothing stored, no crash
        }
    }
    EXPECT_EQ(values, std::vector<double>(4, -7.0));
    EXPECT_EQ(intervals, std::vector<double>(2, -7.0));
    EXPECT_EQ(integration, -7);
    EXPECT_EQ(pixels, -7);
    EXPECT_EQ(nonlinearity[0], -7.0);
    EXPECT_EQ(strayLight, -7.0);
    EXPECT_EQ(firstTimestamp, 42);
    EXPECT_EQ(started.load(), 0);
}

}  // namespace
}  // namespace spectro
