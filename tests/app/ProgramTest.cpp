// Runs the real executable the way a user or the control system does.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "app/Options.h"
#include "app/support/ProgramRunner.h"
#include "app/support/TempDir.h"

namespace quillfen {
namespace {

using quillfen::testing::lines;
using quillfen::testing::runQuillfen;
using quillfen::testing::TempDir;

// "st" and "msg" of every status line, after checking that each is one JSON object.
std::vector<std::pair<int, std::string>> statuses(const std::string& err) {
    std::vector<std::pair<int, std::string>> result;
    for (const auto& l : lines(err)) {
        const auto status = nlohmann::json::parse(l);
        result.emplace_back(status.at("st").get<int>(), status.at("msg").get<std::string>());
    }
    return result;
}

using Statuses = std::vector<std::pair<int, std::string>>;

TEST(Program, WithoutArgumentsPrintsUsageAndWaitsForEnter) {
    TempDir dir;
    const auto run = runQuillfen({}, dir.path().string(), "\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, usageText(QUILLFEN_EXECUTABLE) + "Press Enter to continue ...");
    EXPECT_EQ(statuses(run.err), (Statuses{{6, "Identification"}, {0, "Initialization"}}));
}

TEST(Program, AutomaticHelpDoesNotWait) {
    TempDir dir;
    const auto run = runQuillfen({"-h", "-a"}, dir.path().string());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "Automatic mode activated.\n" + usageText(QUILLFEN_EXECUTABLE));
}

TEST(Program, RefusedArgumentEndsWithExitCodeOne) {
    TempDir dir;
    const auto run = runQuillfen({"-s", "-1", "-i", "x.json"}, dir.path().string());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out,
              "ERROR: Argument 's' requires zero or a positive integer as an argument\n"
              "Parsing error. -> ending.\n");
    EXPECT_EQ(statuses(run.err), (Statuses{{6, "Identification"},
                                           {0, "Initialization"},
                                           {100, "Command line argument error"}}));
}

TEST(Program, MissingInputEndsWithExitCodeOneAfterThePrompt) {
    TempDir dir;
    const auto run = runQuillfen({"--in=x.json", "extra"}, dir.path().string());  // stdin empty
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out,
              "CommandLine Error - Unknown option: --in\n"
              "CommandLine Error - Non option #0: extra\n"
              "A single input configuration is required.\n"
              "Press Enter to continue ...");
    EXPECT_EQ(statuses(run.err).back(),
              (std::pair<int, std::string>{100, "Command line argument error"}));
}

TEST(Program, RunWithoutSpectrometersEndsNormally) {
    TempDir dir;
    dir.write("cfg.json", R"([{"SerialNumber": "HR+C1834", "SpectrometerName": "Halpha"}])");
    const auto run = runQuillfen(
        {"-av", "-t", "sw", "-i", "cfg.json", "-o", "out.json", "-s", "1000"}, dir.path().string());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out,
              "Automatic mode activated.\n"
              "Verbose output is set.\n"
              "Trigger overwritten on sw.\n"
              "Input configuration: cfg.json\n"
              "Output configuration: out.json\n"
              "Shot number is: 1000\n"
              "List of active spectrometers from JSON (1):\n"
              " 0 HR+C1834 alias Halpha\n"
              "No spectrometers found.\n"
              "Not all requested spectrometers found.\n");
    EXPECT_EQ(statuses(run.err), (Statuses{{6, "Identification"},
                                           {0, "Initialization"},
                                           {1, "HW configuration"},
                                           {100, "No spectrometers found."},
                                           {101, "Not all requested spectrometers found."},
                                           {5, "Finished"}}));
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.json")));  // nothing left to write
}

TEST(Program, RepeatedOptionsAreReportedAndTheRunGoesOn) {
    TempDir dir;
    // A configuration that cannot be read gives an empty list: no placeholders, nothing missing.
    const auto run =
        runQuillfen({"-i", "missing.json", "-o", "a", "-o", "b", "-s", "1", "-s", "2", "-t", "SW"},
                    dir.path().string(), "");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out,
              "Input configuration: missing.json\n"
              "A single output configuration is required, path is not set.\n"
              "A single shot number is required, using default 0.\n"
              "Unable to open configuration file.\n"
              "No spectrometers found.\n"
              "Press Enter to continue ...");
    EXPECT_EQ(statuses(run.err), (Statuses{{6, "Identification"},
                                           {0, "Initialization"},
                                           {100, "Command line argument error"},
                                           {100, "Command line argument error"},
                                           {100, "Unable to open configuration"},
                                           {1, "HW configuration"},
                                           {100, "No spectrometers found."},
                                           {5, "Finished"}}));
}

}  // namespace
}  // namespace quillfen
