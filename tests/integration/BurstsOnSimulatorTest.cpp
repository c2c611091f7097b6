// The burst of the extra features collection on simulated HR2000+ and Maya2000Pro units: the
// values the units sent, the intervals, the started flag, and what a failing unit leaves.

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <string>
#include <vector>

#include "device/api/ExtraFeaturesCollection.h"
#include "device/common/Exceptions.h"
#include "device/features/SpectrometerFeature.h"
#include "device/models/LegacyModels.h"
#include "device/support/MessageOf.h"
#include "integration/SimulatedUnits.h"

namespace spectro::test {
namespace {

std::uint16_t ramp16(std::uint64_t n, std::size_t j) {
    return static_cast<std::uint16_t>((40503 * (n + 1) + 1031 * j) % 65536);
}

struct Burst {
    std::vector<double> spectra;
    std::vector<double> intervals;
    std::int32_t pixels = -1;
    std::optional<std::int64_t> firstTimestamp;
    std::atomic<std::uint8_t> started{0};
    std::string failure;
    std::int32_t result = -1;
};

// Arms the unit in `mode` and takes `count` spectra into buffers sized for them.
void take(OpenedUnit& unit, std::int32_t mode, std::int32_t count, Burst& burst) {
    auto& spectrometer = unit.feature<SpectrometerFeatureInterface>();
    spectrometer.setIntegrationTimeMicros(unit.protocol(), unit.bus(), 10000);
    spectrometer.setTriggerMode(unit.protocol(), unit.bus(), SpectrometerTriggerMode(mode));
    const auto pixels = static_cast<std::size_t>(spectrometer.getNumberOfPixels());
    burst.spectra.assign(static_cast<std::size_t>(count) * pixels, -1.0);
    burst.intervals.assign(static_cast<std::size_t>(count), -1.0);
    burst.failure = messageOf([&] {
        burst.result = unit.feature<ExtraFeaturesCollectionInterface>().CollectSpectra(
            unit.bus(), count, burst.spectra, &burst.pixels, burst.intervals,
            &burst.firstTimestamp, &burst.started);
    });
}

// Frames [0, taken) hold spectra 0.. of the unit's ramp; the rest of the rows are 0.
void expectFrames(const Burst& burst, std::size_t pixels, std::size_t taken) {
    std::size_t wrong = 0;
    for (std::size_t k = 0; k < burst.spectra.size() / pixels; ++k)
        for (std::size_t j = 0; j < pixels; ++j) {
            const double expected = k < taken ? ramp16(k, j) : 0.0;
            if (burst.spectra[k * pixels + j] != expected) ++wrong;
        }
    EXPECT_EQ(wrong, 0u);
}

class BurstsOnSimulator : public SimulatedUnits {};

TEST_F(BurstsOnSimulator, SoftwareTriggeredBurstHoldsWhatTheUnitsSent) {
    for (const LegacyModelRow* row : {&models::hr2000Plus(), &models::maya2000Pro()}) {
        SCOPED_TRACE(row->name);
        useBench(R"({"timing": "fast", "trigger": null, "devices": [{"model": ")" + row->name +
                 R"(", "serial": "B1", "pattern": "ramp16"}]})");
        OpenedUnit unit = open(*row);
        ASSERT_TRUE(unit.device);
        Burst burst;
        take(unit, 0, 6, burst);
        const auto pixels = static_cast<std::size_t>(row->spectrometer.numberOfPixels);
        EXPECT_EQ(burst.failure, "(nothing thrown)");
        EXPECT_EQ(burst.result, static_cast<std::int32_t>(6 * pixels));
        EXPECT_EQ(burst.pixels, static_cast<std::int32_t>(pixels));
        expectFrames(burst, pixels, 6);
        for (double interval : burst.intervals) EXPECT_GT(interval, 0.0);
        EXPECT_TRUE(burst.firstTimestamp.has_value());
        EXPECT_EQ(burst.started.load(), 1);
        close();
    }
}

TEST_F(BurstsOnSimulator, HardwareTriggeredBurstWaitsForTheTrigger) {
    // Real time: the first interval holds the wait for a trigger 150 ms after arming.
    useBench(R"({"timing": "realtime", "trigger": {"after_armed_ms": 150},
                 "devices": [{"model": "HR2000+", "serial": "B1", "pattern": "ramp16"}]})");
    OpenedUnit unit = open(models::hr2000Plus());
    ASSERT_TRUE(unit.device);
    Burst burst;
    take(unit, 1, 3, burst);
    EXPECT_EQ(burst.failure, "(nothing thrown)");
    expectFrames(burst, 2048, 3);
    EXPECT_GE(burst.intervals[0], 0.150);
    EXPECT_GE(burst.intervals[1], 0.010);  // one exposure of 10 ms each
    EXPECT_EQ(burst.started.load(), 1);
}

TEST_F(BurstsOnSimulator, FailingUnitsKeepTheFramesTheyTook) {
    struct Case {
        std::string faults;
        std::size_t taken;
        std::string failure;
    };
    const Case cases[] = {
        // Unplugged after three spectra: the fourth request cannot be written.
        {R"({"disconnect_after_spectra": 3})", 3,
         "Caught BusTransferException in writeUSB: Failed to write any data to USB."},
        // All frames arrive, the third one out of step.
        {R"({"bad_sync_at_spectrum": 2})", 5, "ExtraFeaturesCollection::CollectSpectra - Out of sync"},
        // The request itself is refused.
        {R"({"fail_opcodes": [9]})", 0,
         "Caught BusTransferException in writeUSB: Failed to write any data to USB."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults);
        useBench(R"({"timing": "fast", "devices": [{"model": "HR2000+", "serial": "B1",
                     "pattern": "ramp16", "faults": )" + c.faults + "}]}");
        OpenedUnit unit = open(models::hr2000Plus());
        ASSERT_TRUE(unit.device);
        Burst burst;
        take(unit, 0, 5, burst);
        EXPECT_EQ(burst.failure, c.failure);
        if (c.taken < 5) {
            expectFrames(burst, 2048, c.taken);
        } else {
            // Out of sync: every frame is still decoded, the bad one too (its pixels are fine).
            expectFrames(burst, 2048, 5);
        }
        for (std::size_t k = 0; k < 5; ++k) {
            if (k < c.taken)
                EXPECT_GT(burst.intervals[k], 0.0) << k;
            else
                EXPECT_EQ(burst.intervals[k], 0.0) << k;
        }
        EXPECT_EQ(burst.firstTimestamp.has_value(), c.taken > 0);
        EXPECT_EQ(burst.started.load(), c.taken > 0 ? 1 : 0);
        close();
    }
}

TEST_F(BurstsOnSimulator, FeatureFailuresReachTheCallerWithTheirKind) {
    useBench(R"({"timing": "fast", "devices": [{"model": "HR2000+", "serial": "B1",
                 "faults": {"fail_opcodes": [2, 108], "bad_sync_at_spectrum": 0}}]})");
    OpenedUnit unit = open(models::hr2000Plus());
    ASSERT_TRUE(unit.device);
    auto& spectrometer = unit.feature<SpectrometerFeatureInterface>();
    EXPECT_THROW(spectrometer.setIntegrationTimeMicros(unit.protocol(), unit.bus(), 5000),
                 FeatureControlException);
    EXPECT_EQ(messageOf([&] { spectrometer.setIntegrationTimeMicros(unit.protocol(), unit.bus(), 5000); }),
              "Caught protocol exception: Failed to write to bus.");
    EXPECT_EQ(messageOf([&] { spectrometer.getSpectrum(unit.protocol(), unit.bus()); }),
              "Caught protocol exception: HRFPGASpectrumExchange::transfer: Did not find "
              "expected synch byte (0x69) at the end of spectral data transfer.  This suggests "
              "that the data stream is now out of synchronization, or possibly that an "
              "underlying read operation failed prematurely due to bus issues.");
    auto& extra = unit.feature<ExtraFeaturesCollectionInterface>();
    EXPECT_THROW(extra.getPCBTemperature(unit.bus()), FeatureControlException);
    // A unit that answers gives its temperature and version.
    useBench(R"({"timing": "fast", "devices": [{"model": "HR2000+", "serial": "B1",
                 "pcb_temperature_c": 31.25, "fpga_version": 12290}]})");
    OpenedUnit good = open(models::hr2000Plus());
    ASSERT_TRUE(good.device);
    auto& goodExtra = good.feature<ExtraFeaturesCollectionInterface>();
    EXPECT_NEAR(goodExtra.getPCBTemperature(good.bus()), 31.25, 0.004);
    EXPECT_EQ(goodExtra.getFWversion(good.bus()), 12290);
    goodExtra.setSingleStrobeLowClockTransitionDelay(good.bus(), 1000);
    EXPECT_EQ(goodExtra.getSingleStrobeLowClockTransitionDelay(good.bus()), 1000);
    std::int32_t integration = 0;
    EXPECT_EQ(goodExtra.queryStatus(good.bus(), nullptr, &integration, nullptr, nullptr, nullptr,
                                    nullptr, nullptr, nullptr, nullptr),
              1);
    EXPECT_EQ(integration, 100000);
}

}  // namespace
}  // namespace spectro::test
