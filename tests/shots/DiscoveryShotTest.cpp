// Which attached units a shot takes: every one of them for an empty configuration, the configured
// ones otherwise, and none at all without a match.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "ShotChecks.h"
#include "ShotFileReader.h"
#include "ShotRun.h"

namespace quillfen::shots {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr auto NOT_ALL_FOUND = "Not all requested spectrometers found.";

TEST(Discovery, AnEmptyConfigurationTakesEveryUnitInSlotOrderWithDefaultSettings) {
    ShotFolder folder;
    // A unit may send anything as its serial number; it must not lead the file elsewhere.
    folder.writeBench(R"({"timing": "fast", "trigger": null, "devices": [
        {"model": "HR2000+", "serial": "HR+C1834", "pattern": "ramp"},
        {"model": "HR2000+", "serial": "../VIS\\2", "pattern": "ramp"}]})");
    folder.writeConfiguration("[]");

    const Shot shot =
        runShot(folder, {"-a", "-i", "config.json", "-o", "corrected.json", "-s", "5"});

    EXPECT_EQ(shot.exitCode, 0);
    const std::vector<std::string> inOrder{
        "List of active spectrometers from JSON (0):",
        " Spectrometer[0] serial number: HR+C1834",
        " Spectrometer[1] serial number: ../VIS\\2",
        NOT_ALL_FOUND,  // 30 placeholders stay unclaimed
        "Setting spectrometer HR+C1834 (HR+C1834)",
        "   Integration time is 2000 us",
        "   Specta count is 2",
        "   Trigger mode is Software",
        "Setting spectrometer ../VIS\\2 (../VIS\\2)",
        "Collecting spectra",
        "Acquisition statistic for spectrometer HR+C1834 (HR+C1834)",
        "Acquisition statistic for spectrometer ../VIS\\2 (../VIS\\2)",
    };
    EXPECT_TRUE(containsInOrder(shot.outLines, inOrder));
    EXPECT_THAT(shot.statuses, Contains(Status{101, NOT_ALL_FOUND, ""}));
    EXPECT_THAT(statusesWithCode(shot, 7), ElementsAre(Status{7, "File saved", "HR+C1834"},
                                                       Status{7, "File saved", "../VIS\\2"}));

    EXPECT_THAT(folder.files(), ElementsAre(".._VIS_2_5_.h5", "HR+C1834_5_.h5", "bench.json",
                                            "config.json", "corrected.json"));
    EXPECT_EQ(nlohmann::json::parse(testing::readFile(folder.file("corrected.json"))),
              nlohmann::json::parse(R"([
        {"DataFilePath": "HR+C1834_5_.h5", "IntegrationTime_us": 2000, "SerialNumber": "HR+C1834",
         "Spectra": 2, "SpectrometerName": "HR+C1834", "TriggerType": "Software"},
        {"DataFilePath": ".._VIS_2_5_.h5", "IntegrationTime_us": 2000, "SerialNumber": "../VIS\\2",
         "Spectra": 2, "SpectrometerName": "../VIS\\2", "TriggerType": "Software"}])"));
    for (const char* name : {"HR+C1834_5_.h5", ".._VIS_2_5_.h5"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(holdsRampRows(readShotFile(folder.file(name)).spectra, 1, 2));
    }
}

// Configured entries that get no unit are dropped with a warning; the rest of the shot goes on.
struct UnmatchedCase {
    std::string name;
    std::string configuration;
    std::vector<std::string> expectedLines;
    std::string acquiredAlias;

    friend void PrintTo(const UnmatchedCase& param, std::ostream* out) { *out << param.name; }
};

class UnmatchedEntries : public ::testing::TestWithParam<UnmatchedCase> {};

TEST_P(UnmatchedEntries, AreDroppedWithAWarningAndTheOtherUnitIsAcquired) {
    const UnmatchedCase& entries = GetParam();
    ShotFolder folder;
    folder.writeBench(R"({"timing": "fast", "trigger": null, "devices": [
        {"model": "HR2000+", "serial": "HR+C1834", "pattern": "ramp"},
        {"model": "HR2000+", "serial": "HR+C0732", "pattern": "ramp"}]})");
    folder.writeConfiguration(entries.configuration);

    const Shot shot = runShot(folder, {"-a", "-i", "config.json"});

    EXPECT_EQ(shot.exitCode, 0);
    EXPECT_TRUE(containsInOrder(shot.outLines, entries.expectedLines));
    EXPECT_THAT(linesStartingWith(shot.outLines, "Setting spectrometer "),
                ElementsAre("Setting spectrometer HR+C1834 (" + entries.acquiredAlias + ")"));
    EXPECT_THAT(statusesWithCode(shot, 101), ElementsAre(Status{101, NOT_ALL_FOUND, ""}));
    EXPECT_THAT(statusesWithCode(shot, 7),
                ElementsAre(Status{7, "File saved", entries.acquiredAlias}));
    EXPECT_THAT(folder.files(),
                ElementsAre(entries.acquiredAlias + "_0.h5", "bench.json", "config.json"));
}

INSTANTIATE_TEST_SUITE_P(
    Shots, UnmatchedEntries,
    ::testing::Values(UnmatchedCase{"MissingSerialNumber",
                                    R"([{"SerialNumber": "HR+C1834", "SpectrometerName": "Halpha"},
                          {"SerialNumber": "HR+C9999", "SpectrometerName": "Gone"}])",
                                    {" Spectrometer[1] serial number: HR+C0732",
                                     "Spectrometer[1] closed", NOT_ALL_FOUND,
                                     "Setting spectrometer HR+C1834 (Halpha)", "Collecting spectra",
                                     "Acquisition statistic for spectrometer HR+C1834 (Halpha)"},
                                    "Halpha"},
                      UnmatchedCase{"TwoEntriesWithOneSerialNumber",
                                    R"([{"SerialNumber": "HR+C1834", "SpectrometerName": "First"},
                          {"SerialNumber": "HR+C1834", "SpectrometerName": "Second"}])",
                                    {" 0 HR+C1834 alias First", " 1 HR+C1834 alias Second",
                                     "Spectrometer[1] closed", NOT_ALL_FOUND,
                                     "Setting spectrometer HR+C1834 (First)", "Collecting spectra",
                                     "Acquisition statistic for spectrometer HR+C1834 (First)"},
                                    "First"}),
    [](const auto& info) { return info.param.name; });

// Nothing to set up: the run still ends normally, and writes neither files nor a configuration.
struct NothingCase {
    std::string name;
    std::string devices;
    std::vector<std::string> discoveryLines;  // after the configuration listing
    std::vector<Status> discoveryStatuses;

    friend void PrintTo(const NothingCase& param, std::ostream* out) { *out << param.name; }
};

class NothingToAcquire : public ::testing::TestWithParam<NothingCase> {};

TEST_P(NothingToAcquire, EndsNormallyWithoutAnyFile) {
    const NothingCase& bench = GetParam();
    ShotFolder folder;
    folder.writeBench(R"({"timing": "fast", "devices": )" + bench.devices + "}");
    folder.writeConfiguration(R"([{"SerialNumber": "HR+C1834", "SpectrometerName": "Halpha"}])");

    const Shot shot = runShot(folder, {"-a", "-i", "config.json", "-o", "corrected.json"});

    EXPECT_EQ(shot.exitCode, 0);
    std::vector<std::string> console{"Automatic mode activated.",
                                     "Input configuration: config.json",
                                     "Output configuration: corrected.json",
                                     "Default shot number 0 is set.",
                                     "List of active spectrometers from JSON (1):",
                                     " 0 HR+C1834 alias Halpha"};
    console.insert(console.end(), bench.discoveryLines.begin(), bench.discoveryLines.end());
    EXPECT_THAT(shot.outLines, ElementsAreArray(console));

    std::vector<Status> statuses{
        {6, "Identification", ""}, {0, "Initialization", ""}, {1, "HW configuration", ""}};
    statuses.insert(statuses.end(), bench.discoveryStatuses.begin(), bench.discoveryStatuses.end());
    statuses.push_back({5, "Finished", ""});
    EXPECT_THAT(shot.statuses, ElementsAreArray(statuses));
    EXPECT_THAT(folder.files(), ElementsAre("bench.json", "config.json"));
}

INSTANTIATE_TEST_SUITE_P(
    Shots, NothingToAcquire,
    ::testing::Values(
        NothingCase{"NoUnitAttached",
                    "[]",
                    {"No spectrometers found.", NOT_ALL_FOUND},
                    {{100, "No spectrometers found.", ""}, {101, NOT_ALL_FOUND, ""}}},
        NothingCase{"NoConfiguredUnitAttached",
                    R"([{"model": "HR2000+", "serial": "HR+C0732"}])",
                    {"Connected to spectrometer [0]", " Spectrometer[0] model: HR2000PLUS",
                     " Spectrometer[0] serial number: HR+C0732", "Spectrometer[0] closed",
                     NOT_ALL_FOUND, "No requested spectrometers found."},
                    {{101, NOT_ALL_FOUND, ""}, {100, "No requested spectrometers found.", ""}}}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quillfen::shots
