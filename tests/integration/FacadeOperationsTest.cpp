// The facade's operations on simulated units: the program's setup sequence, the burst, the
// units without the extra features collection, refused arguments and failing units.

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/api/SpectroWrapper.h"
#include "device/common/Exceptions.h"
#include "device/features/SpectrometerFeature.h"
#include "device/models/LegacyModels.h"
#include "device/support/MessageOf.h"
#include "integration/SimulatedUnits.h"

namespace spectro::test {
namespace {

double ramp16(std::uint64_t n, std::size_t j) {
    return static_cast<double>((40503 * (n + 1) + 1031 * j) % 65536);
}

// A fast bench without a hardware trigger, one "ramp16" unit per model; `extra` is added to
// the first unit's keys.
std::string benchOf(const std::vector<std::string>& models, const std::string& extra = "") {
    std::string devices;
    for (std::size_t i = 0; i < models.size(); ++i) {
        devices += std::string(i == 0 ? "" : ", ") + R"({"model": ")" + models[i] +
                   R"(", "serial": "U)" + std::to_string(i) + R"(", "pattern": "ramp16")" +
                   (i == 0 ? extra : "") + "}";
    }
    return R"({"timing": "fast", "trigger": null, "devices": [)" + devices + "]}";
}

std::int64_t steadyNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Buffers of one burst of `count` spectra of `pixels` values, filled with -1 beforehand.
struct Burst {
    Burst(std::size_t count, std::size_t pixels)
        : spectra(count * pixels, -1.0), intervals(count, -1.0) {}

    std::vector<double> spectra;
    std::vector<double> intervals;
    std::int32_t pixels = -1;
    std::optional<std::int64_t> firstTimestamp = 42;
    std::atomic<std::uint8_t> started{0};
    int code = -1;
    int result = -1;

    void take(SpectroWrapper& facade, int slot) {
        result = facade.collectSpectra(slot, &code, static_cast<std::int32_t>(intervals.size()),
                                       spectra, &pixels, intervals, &firstTimestamp, &started);
    }
    // Rows [0, taken) hold spectra first.. of the ramp; the other rows are 0.
    std::size_t wrongValues(std::size_t taken, std::uint64_t first = 0) const {
        const std::size_t width = spectra.size() / intervals.size();
        std::size_t wrong = 0;
        for (std::size_t k = 0; k < intervals.size(); ++k)
            for (std::size_t j = 0; j < width; ++j)
                if (spectra[k * width + j] != (k < taken ? ramp16(first + k, j) : 0.0)) ++wrong;
        return wrong;
    }
};

class FacadeOperations : public SimulatedUnits {
  protected:
    void TearDown() override {
        for (int i = 0; i < SpectroWrapper::SLOT_COUNT; ++i) facade.closeSpectrometer(i, nullptr);
        SimulatedUnits::TearDown();
    }

    // Puts the bench on the bus and opens its units into slots 0, 1, ...
    bool openBench(const std::string& bench, int units = 1) {
        useBench(bench);
        for (int i = 0; i < units; ++i) {
            int code = -1;
            if (facade.openSpectrometer(i, &code) != 0 || code != 0) return false;
        }
        return true;
    }

    SpectroWrapper& facade = SpectroWrapper::getInstance();
};

TEST_F(FacadeOperations, SetsUpAnHR2000PlusAsTheProgramDoes) {
    ASSERT_TRUE(
        openBench(benchOf({"HR2000+"}, R"(, "pcb_temperature_c": 31.25, "fpga_version": 12290)")));
    int code = -1;
    EXPECT_EQ(facade.getFWversion(0, &code), 12290);
    EXPECT_EQ(code, 0);

    // Both delays are written before either is read back, so that swapped registers show.
    code = -1;
    facade.setStrobeHighDelay(0, &code);
    EXPECT_EQ(code, 0);
    code = -1;
    facade.setStrobeLowDelay(0, &code);
    EXPECT_EQ(code, 0);
    code = -1;
    EXPECT_EQ(facade.getStrobeHighDelay(0, &code), 0);
    EXPECT_EQ(code, 0);
    code = -1;
    EXPECT_EQ(facade.getStrobeLowDelay(0, &code), 1000);
    EXPECT_EQ(code, 0);

    code = -1;
    facade.enableStrobeLamp(0, &code);
    EXPECT_EQ(code, 0);
    code = -1;
    facade.setTriggerMode(0, &code, 0);
    EXPECT_EQ(code, 0);

    code = -1;
    EXPECT_EQ(facade.getMinIntegrationTimeMicros(0, &code), 1000);
    EXPECT_EQ(code, 0);
    code = -1;
    EXPECT_EQ(facade.getMaxIntegrationTimeMicros(0, &code), 655350000);
    EXPECT_EQ(code, 0);
    code = -1;
    facade.setIntegrationTimeMicros(0, &code, 4000);
    EXPECT_EQ(code, 0);
    std::int32_t integration = -1;
    code = -1;
    EXPECT_EQ(facade.queryStatus(0, &code, &integration), 1);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(integration, 4000);

    code = -1;
    EXPECT_EQ(facade.getSpectrumLength(0, &code), 2048);
    EXPECT_EQ(code, 0);

    // Room for more than the pixels: 2048 are copied and the rest stays as it was.
    std::vector<double> wavelengths(2050, -1.0);
    code = -1;
    EXPECT_EQ(facade.getWavelengths(0, &code, wavelengths.data(), 2050), 2048);
    EXPECT_EQ(code, 0);
    for (std::size_t j = 1; j < 2048; ++j) ASSERT_GT(wavelengths[j], wavelengths[j - 1]) << j;
    EXPECT_GT(wavelengths[0], 0.0);
    EXPECT_EQ(wavelengths[2048], -1.0);
    EXPECT_EQ(wavelengths[2049], -1.0);

    std::array<double, 8> nonlinearity;
    nonlinearity.fill(-1.0);
    double strayLight = -1.0;
    code = -1;
    EXPECT_EQ(facade.getCalibration(0, &code, &nonlinearity, &strayLight), 7);
    EXPECT_EQ(code, 0);
    const std::array<double, 8> expected{0.95, 8.5e-06, -2.1e-10, 4.0e-15, 0, 0, 0, 0};
    for (std::size_t i = 0; i < 8; ++i) EXPECT_DOUBLE_EQ(nonlinearity[i], expected[i]) << i;
    EXPECT_DOUBLE_EQ(strayLight, 0.25);

    // The unit's first spectrum, into a buffer shorter than the pixel count.
    std::vector<double> spectrum(101, -1.0);
    code = -1;
    EXPECT_EQ(facade.getSpectrum(0, &code, spectrum.data(), 100), 100);
    EXPECT_EQ(code, 0);
    for (std::size_t j = 0; j < 100; ++j) EXPECT_EQ(spectrum[j], ramp16(0, j)) << j;
    EXPECT_EQ(spectrum[100], -1.0);

    code = -1;
    EXPECT_NEAR(facade.getPCBTemperature(0, &code), 31.25, 0.004);
    EXPECT_EQ(code, 0);
    code = -1;
    facade.setTriggerMode(0, &code, 1);
    EXPECT_EQ(code, 0);
}

TEST_F(FacadeOperations, AMaya2000ProHasNoBoardTemperature) {
    ASSERT_TRUE(openBench(benchOf({"Maya2000Pro"}, R"(, "fpga_version": 12291)")));
    int code = -1;
    EXPECT_TRUE(std::isnan(facade.getPCBTemperature(0, &code)));
    EXPECT_EQ(code, 0);
    // The collection itself answers.
    code = -1;
    EXPECT_EQ(facade.getFWversion(0, &code), 12291);
    EXPECT_EQ(code, 0);
}

TEST_F(FacadeOperations, AUnitWithoutTheCollectionAnswersItsCallsWithNothing) {
    ASSERT_TRUE(openBench(benchOf({"USB2000"})));
    Burst burst(2, 2048);
    std::int32_t integration = -7;
    std::array<double, 8> nonlinearity;
    nonlinearity.fill(-7.0);
    double strayLight = -7.0;
    struct Case {
        const char* call;
        std::function<int(int*)> run;
    };
    const Case cases[] = {
        {"getFWversion", [&](int* c) { return facade.getFWversion(0, c); }},
        {"setStrobeHighDelay",
         [&](int* c) {
             facade.setStrobeHighDelay(0, c);
             return 0;
         }},
        {"getStrobeHighDelay", [&](int* c) { return facade.getStrobeHighDelay(0, c); }},
        {"setStrobeLowDelay",
         [&](int* c) {
             facade.setStrobeLowDelay(0, c);
             return 0;
         }},
        {"getStrobeLowDelay", [&](int* c) { return facade.getStrobeLowDelay(0, c); }},
        {"queryStatus", [&](int* c) { return facade.queryStatus(0, c, &integration); }},
        {"getCalibration",
         [&](int* c) { return facade.getCalibration(0, c, &nonlinearity, &strayLight); }},
        {"collectSpectra",
         [&](int* c) {
             burst.take(facade, 0);
             *c = burst.code;
             return burst.result;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        int code = -1;
        EXPECT_EQ(c.run(&code), 0);
        EXPECT_EQ(code, 0);
    }
    // Nothing was asked of the unit, so nothing was written.
    EXPECT_EQ(integration, -7);
    EXPECT_EQ(nonlinearity[0], -7.0);
    EXPECT_EQ(strayLight, -7.0);
    EXPECT_EQ(burst.spectra[0], -1.0);
    EXPECT_EQ(burst.firstTimestamp, 42);
    EXPECT_EQ(burst.started.load(), 0);

    int code = -1;
    EXPECT_TRUE(std::isnan(facade.getPCBTemperature(0, &code)));
    EXPECT_EQ(code, 0);
    // The spectrometer feature still gives the model's limits.
    code = -1;
    EXPECT_EQ(facade.getMinIntegrationTimeMicros(0, &code), 3000);
    EXPECT_EQ(code, 0);
    code = -1;
    EXPECT_EQ(facade.getMaxIntegrationTimeMicros(0, &code), 655350000);
    EXPECT_EQ(code, 0);
    code = -1;
    EXPECT_EQ(facade.getSpectrumLength(0, &code), 2048);
    EXPECT_EQ(code, 0);
}

TEST_F(FacadeOperations, AMissingFeatureGivesCodeFive) {
    // The Apex has no strobe lamp.
    ASSERT_TRUE(openBench(benchOf({"Apex"})));
    int code = -1;
    facade.enableStrobeLamp(0, &code);
    EXPECT_EQ(code, 5);
}

TEST_F(FacadeOperations, RefusedArgumentsAndBuffers) {
    ASSERT_TRUE(openBench(benchOf({"HR2000+", "USB2000"}), 2));
    char model[SpectroWrapper::MODEL_NAME_BUFFER];
    facade.getModelName(1, nullptr, model);
    ASSERT_STREQ(model, "USB2000");

    struct Case {
        int slot;
        std::uint32_t micros;
        int code;
    };
    // The USB2000 checks whole milliseconds: up to 999 us above its maximum pass.
    const Case cases[] = {{0, 999, 8},       {0, 1000, 0},      {0, 655350000, 0},
                          {0, 655350001, 8}, {1, 2999, 8},      {1, 3000, 0},
                          {1, 655350999, 0}, {1, 655351000, 8}, {0, 0, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.slot) + ": " + std::to_string(c.micros));
        int code = -1;
        facade.setIntegrationTimeMicros(c.slot, &code, c.micros);
        EXPECT_EQ(code, c.code);
    }
    // A refused time leaves the unit's time as it was.
    int code = -1;
    facade.setIntegrationTimeMicros(0, &code, 20000);
    facade.setIntegrationTimeMicros(0, &code, 999);
    EXPECT_EQ(code, 8);
    std::int32_t integration = -1;
    facade.queryStatus(0, &code, &integration);
    EXPECT_EQ(integration, 20000);

    code = -1;
    facade.setTriggerMode(0, &code, 7);  // not one of the model's modes
    EXPECT_EQ(code, 6);
    code = -1;
    facade.setTriggerMode(1, &code, 2);  // the USB2000 has 0, 1 and 3
    EXPECT_EQ(code, 6);

    code = -1;
    EXPECT_EQ(facade.getSpectrum(0, &code, nullptr, 2048), 0);
    EXPECT_EQ(code, 7);
    code = -1;
    EXPECT_EQ(facade.getWavelengths(0, &code, nullptr, 2048), 0);
    EXPECT_EQ(code, 7);
}

TEST_F(FacadeOperations, DeviceFailuresGiveCodeSixAndTheNeutralResult) {
    struct Case {
        int opcode;  // the command the unit refuses
        const char* call;
        std::function<double(int*)> run;
    };
    std::vector<double> values(2048, -1.0);
    std::array<double, 8> nonlinearity{};
    double strayLight = 0;
    std::int32_t integration = 0;
    Burst burst(2, 2048);
    const Case cases[] = {
        {0x6B, "getFWversion", [&](int* c) { return facade.getFWversion(0, c); }},
        {0x6B, "getStrobeHighDelay", [&](int* c) { return facade.getStrobeHighDelay(0, c); }},
        {0x6B, "getStrobeLowDelay", [&](int* c) { return facade.getStrobeLowDelay(0, c); }},
        {0x6A, "setStrobeHighDelay",
         [&](int* c) {
             facade.setStrobeHighDelay(0, c);
             return 0.0;
         }},
        {0x6A, "setStrobeLowDelay",
         [&](int* c) {
             facade.setStrobeLowDelay(0, c);
             return 0.0;
         }},
        {0x6C, "getPCBTemperature", [&](int* c) { return facade.getPCBTemperature(0, c); }},
        {0xFE, "queryStatus", [&](int* c) { return facade.queryStatus(0, c, &integration); }},
        {0x05, "getCalibration",
         [&](int* c) { return facade.getCalibration(0, c, &nonlinearity, &strayLight); }},
        {0x05, "getWavelengths",
         [&](int* c) { return facade.getWavelengths(0, c, values.data(), 2048); }},
        {0x02, "setIntegrationTimeMicros",
         [&](int* c) {
             facade.setIntegrationTimeMicros(0, c, 5000);
             return 0.0;
         }},
        {0x0A, "setTriggerMode",
         [&](int* c) {
             facade.setTriggerMode(0, c, 1);
             return 0.0;
         }},
        {0x03, "enableStrobeLamp",
         [&](int* c) {
             facade.enableStrobeLamp(0, c);
             return 0.0;
         }},
        {0x09, "getSpectrum",
         [&](int* c) { return facade.getSpectrum(0, c, values.data(), 2048); }},
        {0x09, "collectSpectra",
         [&](int* c) {
             burst.take(facade, 0);
             *c = burst.code;
             return burst.result;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        ASSERT_TRUE(openBench(benchOf(
            {"HR2000+"}, R"(, "faults": {"fail_opcodes": [)" + std::to_string(c.opcode) + "]}")));
        int code = -1;
        EXPECT_EQ(c.run(&code), 0.0);
        EXPECT_EQ(code, 6);
        facade.closeSpectrometer(0, nullptr);
    }
}

TEST_F(FacadeOperations, ARefusedSpectrumRequestIsAProtocolFailureAndGivesCodeSix) {
    const std::string bench = benchOf({"HR2000+"}, R"(, "faults": {"fail_opcodes": [9]})");
    // The spectrometer feature passes the request's failure on unconverted.
    useBench(bench);
    {
        OpenedUnit unit = open(models::hr2000Plus());
        ASSERT_TRUE(unit.device);
        auto& spectrometer = unit.feature<SpectrometerFeatureInterface>();
        EXPECT_THROW(spectrometer.getSpectrum(unit.protocol(), unit.bus()), ProtocolException);
        EXPECT_EQ(messageOf([&] { spectrometer.getSpectrum(unit.protocol(), unit.bus()); }),
                  "Failed to write to bus.");
    }
    ASSERT_TRUE(openBench(bench));
    std::vector<double> spectrum(2048, -1.0);
    int code = -1;
    EXPECT_EQ(facade.getSpectrum(0, &code, spectrum.data(), 2048), 0);
    EXPECT_EQ(code, 6);
    EXPECT_EQ(spectrum[0], -1.0);
    // The unit goes on answering other calls.
    code = -1;
    EXPECT_EQ(facade.getSpectrumLength(0, &code), 2048);
    EXPECT_EQ(code, 0);
}

TEST_F(FacadeOperations, CollectsASoftwareTriggeredBurst) {
    ASSERT_TRUE(openBench(benchOf({"HR2000+"})));
    int code = -1;
    facade.setIntegrationTimeMicros(0, &code, 10000);
    facade.setTriggerMode(0, &code, 0);
    ASSERT_EQ(code, 0);

    Burst burst(4, 2048);
    const std::int64_t before = steadyNow();
    burst.take(facade, 0);
    const std::int64_t after = steadyNow();
    EXPECT_EQ(burst.code, 0);
    EXPECT_EQ(burst.result, 4 * 2048);
    EXPECT_EQ(burst.pixels, 2048);
    EXPECT_EQ(burst.wrongValues(4), 0u);
    for (double interval : burst.intervals) EXPECT_GT(interval, 0.0);
    EXPECT_EQ(burst.started.load(), 1);
    ASSERT_TRUE(burst.firstTimestamp.has_value());
    EXPECT_GT(*burst.firstTimestamp, before);
    EXPECT_LT(*burst.firstTimestamp, after);
}

TEST_F(FacadeOperations, AFailedBurstKeepsTheFramesItTook) {
    struct Case {
        std::string faults;
        std::size_t taken;
    };
    const Case cases[] = {
        {R"({"disconnect_after_spectra": 2})", 2},  // the third request cannot be written
        {R"({"fail_opcodes": [9]})", 0},            // no frame at all
        {R"({"bad_sync_at_spectrum": 1})", 4},      // every frame came, one out of step
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults);
        ASSERT_TRUE(openBench(benchOf({"HR2000+"}, R"(, "faults": )" + c.faults)));
        Burst burst(4, 2048);
        burst.take(facade, 0);
        EXPECT_EQ(burst.code, 6);
        EXPECT_EQ(burst.result, 0);
        EXPECT_EQ(burst.wrongValues(c.taken), 0u);
        for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(burst.intervals[k] > 0.0, k < c.taken) << k;
        EXPECT_EQ(burst.firstTimestamp.has_value(), c.taken > 0);
        EXPECT_EQ(burst.started.load(), c.taken > 0 ? 1 : 0);
        facade.closeSpectrometer(0, nullptr);
    }
}

TEST_F(FacadeOperations, BurstsOfTwoSlotsRunAtTheSameTime) {
    ASSERT_TRUE(openBench(benchOf({"HR2000+", "HR2000+"}), 2));
    Burst first(5, 2048);
    Burst second(5, 2048);
    std::thread one([&] { first.take(facade, 0); });
    std::thread two([&] { second.take(facade, 1); });
    one.join();
    two.join();
    for (const Burst* burst : {&first, &second}) {
        EXPECT_EQ(burst->code, 0);
        EXPECT_EQ(burst->result, 5 * 2048);
        EXPECT_EQ(burst->wrongValues(5), 0u);
        EXPECT_EQ(burst->started.load(), 1);
    }
}

}  // namespace
}  // namespace spectro::test
