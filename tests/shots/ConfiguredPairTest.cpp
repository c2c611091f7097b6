// A configured pair of units takes a hardware-triggered shot: on the simulated platform in real
// time, where the trigger offset of the second unit must show as its delay, and through the
// production program's libusb on the emulated bus, where the same shot must come out.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "ShotChecks.h"
#include "ShotFileReader.h"
#include "ShotRun.h"

namespace quillfen::shots {
namespace {

using ::testing::DoubleEq;
using ::testing::DoubleNear;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr double INTEGRATION_TIME_S = 0.004;
constexpr double OFFSET_S = 0.2;  // of the second unit's trigger input
constexpr double ANY = std::numeric_limits<double>::max();

// Both units send the "ramp" pattern; the second one sees the trigger 200 ms late.
std::string pairBench(const std::string& timing) {
    return R"({"timing": ")" + timing + R"(", "trigger": {"after_armed_ms": 500},
        "devices": [
            {"model": "HR2000+", "serial": "HR+C1834", "pattern": "ramp",
             "pcb_temperature_c": 31.2, "fpga_version": 12345},
            {"model": "HR2000+", "serial": "HR+C0732", "pattern": "ramp",
             "trigger_offset_us": 200000}]})";
}

// Forward and backward slashes both separate folders; {shot:05} pads the shot number.
const char* const PAIR_CONFIGURATION = R"([
    {"SerialNumber": "HR+C1834", "SpectrometerName": "Halpha", "IntegrationTime_us": 4000,
     "Spectra": 5, "TriggerType": "Hardware", "DataFilePath": "shots/Halpha_{shot}.h5"},
    {"SerialNumber": "HR+C0732", "SpectrometerName": "VIS", "IntegrationTime_us": 4000,
     "Spectra": 4, "TriggerType": "Hardware", "DataFilePath": "shots\\VIS_{shot:05}.h5"}])";

const std::vector<std::string> PAIR_ARGUMENTS{"-a", "-i", "config.json", "-o", "corrected.json",
                                              "-s", "42"};

// The board reports its temperature in steps of 0.003906 degrees.
constexpr double HALPHA_TEMPERATURE = 7988 * 0.003906;  // 31.2 degrees on the bench
constexpr double VIS_TEMPERATURE = 6400 * 0.003906;     // the bench's default of 25 degrees

std::vector<ConsoleLine> setupBlock(const std::string& serial, const std::string& alias,
                                    const std::string& firmware, int spectra) {
    return {"Setting spectrometer " + serial + " (" + alias + ")",
            " Firmware: " + firmware,
            " High Delay is 0 (set is 0), Low Delay is 1000 (set is 1000)",
            " Spectrometer strobe is enabled",
            " Setting integration time:",
            "   Trigger mode is Software (0)",
            "   Integration time is 4000 us",
            "   Spectrum length is 2048",
            "   Specta count is " + std::to_string(spectra),
            "   Spectrum was acquired to set spectrometer",
            "   Trigger mode is Hardware",
            " Done"};
}

// The whole console of the shot; `average` bounds both average intervals (ms), `visDelay` the
// second unit's delay (ms). The first unit finishes first and is the reference.
std::vector<ConsoleLine> pairConsole(const Measured& average, const Measured& visDelay) {
    std::vector<ConsoleLine> lines{
        "Automatic mode activated.",
        "Input configuration: config.json",
        "Output configuration: corrected.json",
        "Shot number is: 42",
        "List of active spectrometers from JSON (2):",
        " 0 HR+C1834 alias Halpha",
        " 1 HR+C0732 alias VIS",
        "Connected to spectrometer [0]",
        " Spectrometer[0] model: HR2000PLUS",
        " Spectrometer[0] serial number: HR+C1834",
        "Connected to spectrometer [1]",
        " Spectrometer[1] model: HR2000PLUS",
        " Spectrometer[1] serial number: HR+C0732",
    };
    for (const auto& block :
         {setupBlock("HR+C1834", "Halpha", "12345", 5), setupBlock("HR+C0732", "VIS", "12288", 4)})
        lines.insert(lines.end(), block.begin(), block.end());
    const std::vector<ConsoleLine> rest{
        "Collecting spectra",
        "Acquisition statistic for spectrometer HR+C1834 (Halpha)",
        " Temperature: 31.2011" + DEGREES_CELSIUS,
        average,
        " Delay relative to the first finished spectrometer: 0 ms",
        "Acquisition statistic for spectrometer HR+C0732 (VIS)",
        " Temperature: 24.9984" + DEGREES_CELSIUS,
        average,
        visDelay,
        "Saving output configuration JSON to corrected.json",
    };
    lines.insert(lines.end(), rest.begin(), rest.end());
    return lines;
}

Measured averageTime(double low) { return {" Average time: ", low, ANY, " ms"}; }
Measured delay(double low, double high) {
    return {" Delay relative to the first finished spectrometer: ", low, high, " ms"};
}

void expectPairStatuses(const Shot& shot) {
    const std::vector<Status> expected{
        {6, "Identification", ""},
        {0, "Initialization", ""},
        {1, "HW configuration", ""},
        {1, "HW configuration", "Halpha"},
        {1, "HW configuration", "VIS"},
        {2, "Armed", "Halpha"},
        {2, "Armed", "VIS"},
        {2, "Armed", ""},
        {3, "Running", ""},
        {4, "Saving.", ""},
        {7, "File saved", "Halpha"},
        {7, "File saved", "VIS"},
        {5, "Finished", ""},
    };
    EXPECT_THAT(shot.statuses, ElementsAreArray(expected));
    for (const auto& status : shot.statusObjects) {
        if (status["st"] == 7) {
            EXPECT_EQ(status.value("fileType", ""), "HDF5") << status;
        }
    }
}

void expectCorrectedConfiguration(const ShotFolder& folder) {
    EXPECT_EQ(testing::readFile(folder.file("corrected.json")),
              R"([{"DataFilePath":"shots/Halpha_42.h5","IntegrationTime_us":4000,)"
              R"("SerialNumber":"HR+C1834","Spectra":5,"SpectrometerName":"Halpha",)"
              R"("TriggerType":"Hardware"},{"DataFilePath":"shots/VIS_00042.h5",)"
              R"("IntegrationTime_us":4000,"SerialNumber":"HR+C0732","Spectra":4,)"
              R"("SpectrometerName":"VIS","TriggerType":"Hardware"}])");
}

// Everything of one unit's file but the measured times, which the callers check.
ShotFileContents expectPairFile(const ShotFolder& folder, const std::string& name, int spectra,
                                double temperature) {
    SCOPED_TRACE(name);
    const ShotFileContents file = readShotFile(folder.file("shots/" + name));
    EXPECT_THAT(file.datasets, ElementsAre("Spectra", "TimeDifferences", "Wavelengths"));
    EXPECT_THAT(file.otherObjects, IsEmpty());

    EXPECT_EQ(file.spectra.type, "uint16le");
    EXPECT_THAT(file.spectra.shape, ElementsAre(static_cast<std::uint64_t>(spectra), 2048u));
    // The setup's test spectrum is spectrum 0 of the unit: the burst starts at spectrum 1.
    EXPECT_TRUE(holdsRampRows(file.spectra, 1, static_cast<std::uint64_t>(spectra)));

    EXPECT_EQ(file.wavelengths.type, "float64le");
    EXPECT_THAT(file.wavelengths.shape, ElementsAre(2048u));
    if (file.wavelengths.values.size() == 2048) {
        EXPECT_EQ(file.wavelengths.values.front(), 350.0);
        EXPECT_NEAR(file.wavelengths.values.back(), 800.0, 1e-3);
        EXPECT_TRUE(std::is_sorted(file.wavelengths.values.begin(), file.wavelengths.values.end(),
                                   std::less_equal<>()))
            << "the wavelengths do not rise";
    }

    EXPECT_EQ(file.timeDifferences.type, "float64le");
    EXPECT_THAT(file.timeDifferences.shape, ElementsAre(static_cast<std::uint64_t>(spectra)));

    const auto& attributes = file.spectraAttributes;
    std::vector<std::string> names;
    for (const auto& [attributeName, stored] : attributes) {
        names.push_back(attributeName);
        EXPECT_EQ(stored.type, "float64le") << attributeName;
        EXPECT_EQ(stored.shape.size(), attributeName == "NonLinearityCalibration" ? 1u : 0u)
            << attributeName;
    }
    EXPECT_THAT(names,
                ElementsAre("IntegrationTime_us", "NonLinearityCalibration", "PCBTemperature",
                            "RelativeDelayTime", "SamplingFrequency", "StrayLightConstant"));
    if (names.size() == 6) {
        EXPECT_THAT(attributes.at("NonLinearityCalibration").values,
                    ElementsAre(DoubleEq(0.95), DoubleEq(8.5e-06), DoubleEq(-2.1e-10),
                                DoubleEq(4.0e-15), 0.0, 0.0, 0.0, 0.0));
        EXPECT_THAT(attributes.at("StrayLightConstant").values, ElementsAre(0.25));
        EXPECT_THAT(attributes.at("PCBTemperature").values,
                    ElementsAre(DoubleNear(temperature, 1e-9)));
        EXPECT_THAT(attributes.at("IntegrationTime_us").values, ElementsAre(4000.0));
        EXPECT_THAT(attributes.at("SamplingFrequency").values, ElementsAre(250.0));
    }
    return file;
}

double relativeDelayOf(const ShotFileContents& file) {
    const auto found = file.spectraAttributes.find("RelativeDelayTime");
    return found == file.spectraAttributes.end() || found->second.values.empty()
               ? std::numeric_limits<double>::quiet_NaN()
               : found->second.values.front();
}

double lastDelayPrinted(const Shot& shot) {
    for (auto line = shot.outLines.rbegin(); line != shot.outLines.rend(); ++line) {
        if (const auto value = measuredNumber(*line, delay(-ANY, ANY))) return *value;
    }
    return std::numeric_limits<double>::quiet_NaN();
}

// No interval can be shorter than an exposure; the first one also holds the trigger wait.
void expectIntervalsFromBelow(const ShotFileContents& file, double firstAtLeast) {
    const auto& intervals = file.timeDifferences.values;
    ASSERT_FALSE(intervals.empty());
    EXPECT_GE(intervals.front(), firstAtLeast);
    for (std::size_t k = 1; k < intervals.size(); ++k)
        EXPECT_GE(intervals[k], INTEGRATION_TIME_S - 1e-6) << "interval " << k;
}

TEST(ConfiguredPair, TakesAHardwareTriggeredShotWithTheSecondUnitTwoHundredMillisecondsLate) {
    ShotFolder folder;
    folder.writeBench(pairBench("realtime"));
    folder.writeConfiguration(PAIR_CONFIGURATION);
    folder.makeFolder("shots");

    const Shot shot = runShot(folder, PAIR_ARGUMENTS);

    EXPECT_EQ(shot.exitCode, 0);
    expectConsole(shot.outLines, pairConsole(averageTime(4.0 - 1e-3), delay(150.0, 250.0)));
    expectPairStatuses(shot);
    expectCorrectedConfiguration(folder);
    EXPECT_THAT(folder.files(), ElementsAre("bench.json", "config.json", "corrected.json"));
    ASSERT_THAT(folder.files("shots"), ElementsAre("Halpha_42.h5", "VIS_00042.h5"));

    const auto halpha = expectPairFile(folder, "Halpha_42.h5", 5, HALPHA_TEMPERATURE);
    const auto vis = expectPairFile(folder, "VIS_00042.h5", 4, VIS_TEMPERATURE);
    EXPECT_EQ(relativeDelayOf(halpha), 0.0);
    EXPECT_NEAR(relativeDelayOf(vis), OFFSET_S, 0.05);
    // The console's delay is the file's, in milliseconds to six digits.
    EXPECT_NEAR(lastDelayPrinted(shot), relativeDelayOf(vis) * 1000.0, 0.01);
    expectIntervalsFromBelow(halpha, INTEGRATION_TIME_S);
    expectIntervalsFromBelow(vis, OFFSET_S + INTEGRATION_TIME_S);
}

TEST(ConfiguredPair, TheProductionProgramTakesTheSameShotThroughLibusb) {
#ifndef QUILLFEN_USBEMU_EXECUTABLE
    GTEST_SKIP() << "built without the emulated USB bus";
#else
    ShotFolder folder;
    folder.writeBench(pairBench("fast"));
    folder.writeConfiguration(PAIR_CONFIGURATION);
    folder.makeFolder("shots");

    const Shot shot = runShotOnUsb(folder, PAIR_ARGUMENTS);

    // Simulated time jumps on this bench: the times are real transfer times, not exposures.
    EXPECT_EQ(shot.exitCode, 0);
    expectConsole(shot.outLines, pairConsole(averageTime(0.0), delay(-ANY, ANY)));
    expectPairStatuses(shot);
    expectCorrectedConfiguration(folder);
    ASSERT_THAT(folder.files("shots"), ElementsAre("Halpha_42.h5", "VIS_00042.h5"));
    const auto halpha = expectPairFile(folder, "Halpha_42.h5", 5, HALPHA_TEMPERATURE);
    expectPairFile(folder, "VIS_00042.h5", 4, VIS_TEMPERATURE);
    EXPECT_EQ(relativeDelayOf(halpha), 0.0);
#endif
}

}  // namespace
}  // namespace quillfen::shots
