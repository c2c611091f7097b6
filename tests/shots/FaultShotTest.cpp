// Faults during the acquisition cost only the unit or the file concerned: the shot goes on, the
// other unit is saved, and the run still ends normally.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ShotChecks.h"
#include "ShotFileReader.h"
#include "ShotRun.h"

namespace quillfen::shots {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

struct BurstFault {
    std::string name;
    std::string faults;  // of the second unit
    std::uint64_t keptRows;
    bool temperatureLost;  // the unit is gone when its temperature is read

    friend void PrintTo(const BurstFault& param, std::ostream* out) { *out << param.name; }
};

class FailedBurst : public ::testing::TestWithParam<BurstFault> {};

TEST_P(FailedBurst, KeepsTheFramesTakenAndStillWritesTheFileAndStatistics) {
    const BurstFault& fault = GetParam();
    ShotFolder folder;
    folder.writeBench(R"({"timing": "fast", "trigger": {"after_armed_ms": 50}, "devices": [
        {"model": "HR2000+", "serial": "HR+C1834", "pattern": "ramp"},
        {"model": "HR2000+", "serial": "HR+C0732", "pattern": "ramp", "faults": )" +
                      fault.faults + "}]}");
    folder.writeConfiguration(R"([
        {"SerialNumber": "HR+C1834", "SpectrometerName": "Halpha", "Spectra": 5,
         "TriggerType": "Hardware"},
        {"SerialNumber": "HR+C0732", "SpectrometerName": "VIS", "Spectra": 5,
         "TriggerType": "Hardware"}])");

    const Shot shot = runShot(folder, {"-a", "-i", "config.json"});

    EXPECT_EQ(shot.exitCode, 0);
    const std::string burstFailure = "Collect spectra failed for VIS, 6: Data transfer error";
    const std::string temperatureFailure = "Get temperature failed for VIS, 6: Data transfer error";
    EXPECT_THAT(shot.outLines, Contains(burstFailure));
    EXPECT_THAT(shot.statuses, Contains(Status{100, burstFailure, ""}));
    if (fault.temperatureLost) {
        EXPECT_TRUE(containsInOrder(
            shot.outLines,
            {temperatureFailure, "Acquisition statistic for spectrometer HR+C0732 (VIS)",
             " Temperature: -273.15" + DEGREES_CELSIUS}));
        EXPECT_THAT(shot.statuses, Contains(Status{100, temperatureFailure, ""}));
    } else {
        EXPECT_TRUE(
            containsInOrder(shot.outLines, {"Acquisition statistic for spectrometer HR+C0732 (VIS)",
                                            " Temperature: 24.9984" + DEGREES_CELSIUS}));
        EXPECT_THAT(shot.outLines, Not(Contains(temperatureFailure)));
    }
    EXPECT_THAT(statusesWithCode(shot, 7),
                ElementsAre(Status{7, "File saved", "Halpha"}, Status{7, "File saved", "VIS"}));
    ASSERT_FALSE(shot.statuses.empty());
    EXPECT_EQ(shot.statuses.back(), (Status{5, "Finished", ""}));

    EXPECT_TRUE(holdsRampRows(readShotFile(folder.file("Halpha_0.h5")).spectra, 1, 5));
    const ShotFileContents vis = readShotFile(folder.file("VIS_0.h5"));
    EXPECT_TRUE(holdsRampRows(vis.spectra, 1, fault.keptRows));
    const auto& intervals = vis.timeDifferences.values;
    ASSERT_EQ(intervals.size(), 5u);
    for (std::uint64_t k = 0; k < 5; ++k) {
        if (k < fault.keptRows)
            EXPECT_GT(intervals[k], 0.0) << "interval " << k;
        else
            EXPECT_EQ(intervals[k], 0.0) << "interval " << k;
    }
    ASSERT_TRUE(vis.spectraAttributes.contains("PCBTemperature"));
    EXPECT_THAT(vis.spectraAttributes.at("PCBTemperature").values,
                ElementsAre(fault.temperatureLost ? -273.15 : 6400 * 0.003906));
}

INSTANTIATE_TEST_SUITE_P(
    Shots, FailedBurst,
    ::testing::Values(
        // Spectrum 0 is the setup's test spectrum: burst frames 0 and 1 arrive, then the unit goes.
        BurstFault{"UnitUnpluggedAfterTwoFrames", R"({"disconnect_after_spectra": 3})", 2, true},
        // Burst frame 1 ends without its sync byte: every frame still arrived.
        BurstFault{"FrameOutOfSync", R"({"bad_sync_at_spectrum": 2})", 5, false}),
    [](const auto& info) { return info.param.name; });

TEST(FailedFile, AMissingDataFolderCostsOnlyThatFile) {
    ShotFolder folder;
    folder.writeBench(R"({"timing": "fast", "trigger": null, "devices": [
        {"model": "HR2000+", "serial": "HR+C1834", "pattern": "ramp"},
        {"model": "HR2000+", "serial": "HR+C0732", "pattern": "ramp"}]})");
    folder.writeConfiguration(R"([
        {"SerialNumber": "HR+C1834", "SpectrometerName": "Halpha",
         "DataFilePath": "missing/Halpha_{shot}.h5"},
        {"SerialNumber": "HR+C0732", "SpectrometerName": "VIS"}])");

    const Shot shot = runShot(folder, {"-a", "-i", "config.json", "-s", "9"});

    EXPECT_EQ(shot.exitCode, 0);
    EXPECT_TRUE(containsInOrder(
        shot.outLines,
        {"Collecting spectra",
         "HDF5 exeption for spectrometer Halpha: H5Fcreate failed (in H5File constructor)",
         "Acquisition statistic for spectrometer HR+C1834 (Halpha)",
         "Acquisition statistic for spectrometer HR+C0732 (VIS)"}));
    EXPECT_THAT(statusesWithCode(shot, 101),
                ElementsAre(Status{101, "HDF5 exeption in H5File constructor", ""}));
    EXPECT_THAT(statusesWithCode(shot, 7), ElementsAre(Status{7, "File saved", "VIS"}));
    ASSERT_FALSE(shot.statuses.empty());
    EXPECT_EQ(shot.statuses.back(), (Status{5, "Finished", ""}));
    EXPECT_FALSE(folder.exists("missing"));
    EXPECT_TRUE(holdsRampRows(readShotFile(folder.file("VIS_9.h5")).spectra, 1, 2));
}

}  // namespace
}  // namespace quillfen::shots
