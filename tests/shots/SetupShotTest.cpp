// Setting the units up: a failed step ends the run before anything is acquired, integration
// times are held within the unit's limits, the trigger can be overridden, and a unit may be set
// up for no spectra at all.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "ShotChecks.h"
#include "ShotFileReader.h"
#include "ShotRun.h"

namespace quillfen::shots {
namespace {

using ::testing::Contains;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::Gt;
using ::testing::IsEmpty;

// Two units, each with its own settings; `faults` goes to the second one.
std::string twoUnitBench(const std::string& trigger, const std::string& faults = "{}") {
    return R"({"timing": "fast", "trigger": )" + trigger + R"(, "devices": [
        {"model": "HR2000+", "serial": "HR+C1834", "pattern": "ramp"},
        {"model": "HR2000+", "serial": "HR+C0732", "pattern": "ramp", "faults": )" +
           faults + "}]}";
}

std::string twoEntries(const std::string& first, const std::string& second) {
    return R"([{"SerialNumber": "HR+C1834", "SpectrometerName": "Halpha", )" + first +
           R"(}, {"SerialNumber": "HR+C0732", "SpectrometerName": "VIS", )" + second + "}]";
}

struct FailedStep {
    std::string name;
    int opcode;              // the command that fails on the second unit
    std::string lineBefore;  // the last line of the steps that worked
    std::string failure;
    bool automatic;

    friend void PrintTo(const FailedStep& param, std::ostream* out) { *out << param.name; }
};

class FailedSetupStep : public ::testing::TestWithParam<FailedStep> {};

TEST_P(FailedSetupStep, EndsTheRunWithExitCodeOneBeforeAnythingIsAcquired) {
    const FailedStep& step = GetParam();
    ShotFolder folder;
    folder.writeBench(twoUnitBench(R"({"after_armed_ms": 50})",
                                   R"({"fail_opcodes": [)" + std::to_string(step.opcode) + "]}"));
    const std::string entry = R"("Spectra": 3, "TriggerType": "Hardware")";
    folder.writeConfiguration(twoEntries(entry + R"(, "DataFilePath": "shots/Halpha.h5")",
                                         entry + R"(, "DataFilePath": "shots/VIS.h5")"));
    folder.makeFolder("shots");
    std::vector<std::string> arguments{"-i", "config.json", "-o", "corrected.json"};
    if (step.automatic) arguments.push_back("-a");

    const Shot shot = runShot(folder, arguments);

    EXPECT_EQ(shot.exitCode, 1);
    const std::string ending = step.lineBefore + "\n" + step.failure + "\n" +
                               (step.automatic ? "" : "Press Enter to continue ...");
    EXPECT_TRUE(shot.out.ends_with(ending)) << shot.out;
    EXPECT_THAT(shot.outLines, Contains("Setting spectrometer HR+C0732 (VIS)"));
    EXPECT_THAT(shot.statuses, Contains(Status{1, "HW configuration", "Halpha"}));
    ASSERT_FALSE(shot.statuses.empty());
    EXPECT_EQ(shot.statuses.back(), (Status{100, step.failure, ""}));
    for (int phase : {2, 3, 4, 5, 7}) EXPECT_THAT(statusesWithCode(shot, phase), IsEmpty());
    EXPECT_THAT(folder.files(), ElementsAre("bench.json", "config.json"));
    EXPECT_THAT(folder.files("shots"), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Shots, FailedSetupStep,
    ::testing::Values(FailedStep{"FirmwareVersion", 0x6B, "Setting spectrometer HR+C0732 (VIS)",
                                 "Get FW version failed, 6: Data transfer error", true},
                      FailedStep{"Strobe", 0x03,
                                 " High Delay is 0 (set is 0), Low Delay is 1000 (set is 1000)",
                                 "Set strobe failed, 6: Data transfer error", true},
                      FailedStep{"IntegrationTime", 0x02, "   Trigger mode is Software (0)",
                                 "Set integration time failed, 6: Data transfer error", true},
                      FailedStep{"Status", 0xFE, "   Trigger mode is Software (0)",
                                 "Get status/integration time failed, 6: Data transfer error",
                                 true},
                      FailedStep{"TestSpectrumWithoutAutomaticMode", 0x09, "   Specta count is 3",
                                 "Get test spectrum failed, 6: Data transfer error", false}),
    [](const auto& info) { return info.param.name; });

// The HR2000+ takes 1000 us to 655350000 us. On a "fast" bench the longest exposure costs no
// time, but the settle wait after setup is its ten-second maximum.
struct ClampCase {
    std::string name;
    std::string halphaConfigured;
    std::string visConfigured;
    std::vector<std::string> integrationLines;
    std::uint32_t halphaSet;
    std::uint32_t visSet;
    std::size_t warnings;

    friend void PrintTo(const ClampCase& param, std::ostream* out) { *out << param.name; }
};

class IntegrationTimeClamp : public ::testing::TestWithParam<ClampCase> {};

TEST_P(IntegrationTimeClamp, HoldsTheIntegrationTimeWithinTheUnitsLimits) {
    const ClampCase& clamp = GetParam();
    ShotFolder folder;
    folder.writeBench(twoUnitBench("null"));
    folder.writeConfiguration(twoEntries(R"("IntegrationTime_us": )" + clamp.halphaConfigured,
                                         R"("IntegrationTime_us": )" + clamp.visConfigured));

    const Shot shot = runShot(folder, {"-a", "-i", "config.json", "-o", "corrected.json"});

    EXPECT_EQ(shot.exitCode, 0);
    EXPECT_THAT(linesStartingWith(shot.outLines, "   Integration time"),
                ElementsAreArray(clamp.integrationLines));
    EXPECT_THAT(statusesWithCode(shot, 101),
                ElementsAreArray(
                    std::vector<Status>(clamp.warnings, {101, "Integration time changed.", ""})));
    const auto corrected = nlohmann::json::parse(testing::readFile(folder.file("corrected.json")));
    ASSERT_EQ(corrected.size(), 2u);
    EXPECT_EQ(corrected[0]["IntegrationTime_us"], clamp.halphaSet);
    EXPECT_EQ(corrected[1]["IntegrationTime_us"], clamp.visSet);
    for (const auto& [file, set] :
         {std::pair{"Halpha_0.h5", clamp.halphaSet}, std::pair{"VIS_0.h5", clamp.visSet}}) {
        SCOPED_TRACE(file);
        const auto attributes = readShotFile(folder.file(file)).spectraAttributes;
        ASSERT_TRUE(attributes.contains("IntegrationTime_us"));
        ASSERT_TRUE(attributes.contains("SamplingFrequency"));
        EXPECT_THAT(attributes.at("IntegrationTime_us").values, ElementsAre(set));
        EXPECT_THAT(attributes.at("SamplingFrequency").values, ElementsAre(1e6 / set));
    }
}

constexpr auto RAISED_TO_MINIMUM =
    "   Integration time (100 us) is lower than minimum integration time (1000 us), using minimum.";
constexpr auto LOWERED_TO_MAXIMUM =
    "   Integration time (4294967295 us) is higher than maximum integration time (655350000 us), "
    "using maximum.";

INSTANTIATE_TEST_SUITE_P(Shots, IntegrationTimeClamp,
                         ::testing::Values(
                             // A negative value in the file is the largest unsigned one.
                             ClampCase{"BelowTheMinimumAndNegative",
                                       "100",
                                       "-1",
                                       {RAISED_TO_MINIMUM, "   Integration time is 1000 us",
                                        LOWERED_TO_MAXIMUM, "   Integration time is 655350000 us"},
                                       1000,
                                       655350000,
                                       2},
                             ClampCase{"AboveTheMaximumAndAtTheMinimum",
                                       "4294967295",
                                       "1000",
                                       {LOWERED_TO_MAXIMUM, "   Integration time is 655350000 us",
                                        "   Integration time is 1000 us"},
                                       655350000,
                                       1000,
                                       1}),
                         [](const auto& info) { return info.param.name; });

TEST(TriggerOverride, PutsHardwareTriggeredUnitsInSoftwareModeForThisShotOnly) {
    ShotFolder folder;
    folder.writeBench(twoUnitBench("null"));  // a hardware-triggered burst would never start
    const std::string entry = R"("Spectra": 3, "TriggerType": "Hardware")";
    folder.writeConfiguration(twoEntries(entry, entry));

    const Shot shot =
        runShot(folder, {"-a", "-t", "sw", "-i", "config.json", "-o", "corrected.json"});

    EXPECT_EQ(shot.exitCode, 0);
    EXPECT_THAT(shot.outLines, Contains("Trigger overwritten on sw."));
    EXPECT_THAT(linesStartingWith(shot.outLines, "   Trigger mode is "),
                ElementsAre("   Trigger mode is Software (0)", "   Trigger mode is Software",
                            "   Trigger mode is Software (0)", "   Trigger mode is Software"));
    ASSERT_FALSE(shot.statuses.empty());
    EXPECT_EQ(shot.statuses.back(), (Status{5, "Finished", ""}));
    for (const char* file : {"Halpha_0.h5", "VIS_0.h5"}) {
        SCOPED_TRACE(file);
        EXPECT_TRUE(holdsRampRows(readShotFile(folder.file(file)).spectra, 1, 3));
    }
    const auto corrected = nlohmann::json::parse(testing::readFile(folder.file("corrected.json")));
    ASSERT_EQ(corrected.size(), 2u);
    EXPECT_EQ(corrected[0]["TriggerType"], "Hardware");
    EXPECT_EQ(corrected[1]["TriggerType"], "Hardware");
}

TEST(NoSpectra, AUnitSetUpForNoSpectraGetsAnEmptyFileAndLeavesTheReferenceToTheOther) {
    ShotFolder folder;
    folder.writeBench(twoUnitBench("null"));
    folder.writeConfiguration(R"([
        {"SerialNumber": "HR+C1834", "SpectrometerName": "Empty", "Spectra": 0},
        {"SerialNumber": "HR+C0732", "SpectrometerName": "Full", "Spectra": 3}])");

    const Shot shot = runShot(folder, {"-a", "-i", "config.json"});

    EXPECT_EQ(shot.exitCode, 0);
    EXPECT_TRUE(containsInOrder(shot.outLines,
                                {"Setting spectrometer HR+C1834 (Empty)", "   Specta count is 0",
                                 "   Spectrum was acquired to set spectrometer", " Done",
                                 "Setting spectrometer HR+C0732 (Full)"}));
    // No average for the empty burst; the full one is the reference.
    ASSERT_GE(shot.outLines.size(), 7u);
    const std::vector<std::string> statistics(shot.outLines.end() - 7, shot.outLines.end());
    expectConsole(statistics,
                  {"Acquisition statistic for spectrometer HR+C1834 (Empty)",
                   " Temperature: 24.9984" + DEGREES_CELSIUS,
                   " Delay relative to the first finished spectrometer: 0 ms",
                   "Acquisition statistic for spectrometer HR+C0732 (Full)",
                   " Temperature: 24.9984" + DEGREES_CELSIUS,
                   Measured{" Average time: ", 0.0, std::numeric_limits<double>::max(), " ms"},
                   " Delay relative to the first finished spectrometer: 0 ms"});
    EXPECT_THAT(statusesWithCode(shot, 7),
                ElementsAre(Status{7, "File saved", "Empty"}, Status{7, "File saved", "Full"}));

    const ShotFileContents empty = readShotFile(folder.file("Empty_0.h5"));
    EXPECT_THAT(empty.spectra.shape, ElementsAre(0u, 2048u));
    EXPECT_THAT(empty.timeDifferences.shape, ElementsAre(0u));
    EXPECT_THAT(empty.wavelengths.shape, ElementsAre(2048u));
    ASSERT_TRUE(empty.spectraAttributes.contains("RelativeDelayTime"));
    EXPECT_THAT(empty.spectraAttributes.at("RelativeDelayTime").values, ElementsAre(0.0));
    const ShotFileContents full = readShotFile(folder.file("Full_0.h5"));
    EXPECT_TRUE(holdsRampRows(full.spectra, 1, 3));
    EXPECT_THAT(full.timeDifferences.values, Each(Gt(0.0)));
}

TEST(WithoutBurstCollection, AUnitIsSetUpAndSavedWithZeroSpectraAndNoTemperature) {
    // A USB2000 has no raw-USB collection: no firmware version, strobe delays or status block,
    // no board temperature, and its burst takes nothing; its shot is still set up and saved.
    ShotFolder folder;
    folder.writeBench(R"({"timing": "fast", "trigger": null, "devices": [
        {"model": "USB2000", "serial": "USB2G1010", "pattern": "ramp"}]})");
    folder.writeConfiguration(R"([{"SerialNumber": "USB2G1010", "SpectrometerName": "Plain",
        "IntegrationTime_us": 4000, "Spectra": 3}])");

    const Shot shot = runShot(folder, {"-a", "-i", "config.json"});

    EXPECT_EQ(shot.exitCode, 0);
    EXPECT_TRUE(containsInOrder(shot.outLines,
                                {"Setting spectrometer USB2G1010 (Plain)", " Firmware: 0",
                                 "   Integration time is 4000 us", "   Spectrum length is 2048",
                                 " Done", "Acquisition statistic for spectrometer USB2G1010 (Plain)",
                                 " Temperature: nan" + DEGREES_CELSIUS}));
    EXPECT_THAT(statusesWithCode(shot, 7), ElementsAre(Status{7, "File saved", "Plain"}));
    const ShotFileContents file = readShotFile(folder.file("Plain_0.h5"));
    EXPECT_THAT(file.spectra.shape, ElementsAre(3u, 2048u));
    EXPECT_THAT(file.spectra.values, Each(0.0));
    EXPECT_FALSE(file.spectraAttributes.contains("PCBTemperature"));
}

TEST(ImpossibleBuffers, FailTheSetupBeforeAnythingIsAllocated) {
    ShotFolder folder;
    folder.writeBench(twoUnitBench("null"));
    folder.writeConfiguration(R"([{"SerialNumber": "HR+C1834", "Spectra": 2000000}])");

    const Shot shot = runShot(folder, {"-a", "-i", "config.json", "-o", "corrected.json"});

    const std::string text = "Cannot allocate buffers for spectrometer HR+C1834 (2000000 x 2048 values)";
    EXPECT_EQ(shot.exitCode, 1);
    EXPECT_THAT(shot.outLines, Contains(text));
    EXPECT_THAT(shot.statuses, Contains(Status{100, text, ""}));
    EXPECT_FALSE(folder.exists("corrected.json"));
    EXPECT_THAT(statusesWithCode(shot, 2), IsEmpty());  // nothing was armed
}

}  // namespace
}  // namespace quillfen::shots
