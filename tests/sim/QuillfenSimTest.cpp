// The quillfen-sim executable: the demo on its built-in bench, its bench from the environment,
// and refusal of a bad bench.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "support/Subprocess.h"

namespace spectro::sim::test {
namespace {

using quillfen::testing::ProgramRun;
using quillfen::testing::runProgram;

// A folder of its own for a run, removed with everything in it.
class RunFolder {
  public:
    RunFolder() {
        std::string pattern = ::testing::TempDir() + "quillfen-sim-run-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~RunFolder() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    std::filesystem::path path;
};

// An expected console line. A measured number in it stands as '#' and must lie in [low, high].
struct ConsoleLine {
    ConsoleLine(const char* exact) : text(exact) {}
    ConsoleLine(std::string exact) : text(std::move(exact)) {}
    ConsoleLine(std::string measured, double lowest, double highest)
        : text(std::move(measured)), low(lowest), high(highest) {}

    std::string text;
    double low = 0;
    double high = 0;
};

::testing::AssertionResult matches(const std::string& line, const ConsoleLine& expected) {
    const auto mark = expected.text.find('#');
    if (mark == std::string::npos) {
        if (line == expected.text) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "\"" << line << "\" is not \"" << expected.text << "\"";
    }
    const std::string prefix = expected.text.substr(0, mark);
    const std::string suffix = expected.text.substr(mark + 1);
    static const std::regex number("-?[0-9]+(\\.[0-9]+)?(e[-+][0-9]+)?");
    if (line.size() < prefix.size() + suffix.size() || !line.starts_with(prefix) ||
        !line.ends_with(suffix) ||
        !std::regex_match(line.substr(prefix.size(), line.size() - prefix.size() - suffix.size()),
                          number))
        return ::testing::AssertionFailure()
               << "\"" << line << "\" is not \"" << expected.text << "\"";
    const double value = std::stod(line.substr(prefix.size()));
    if (value < expected.low || value > expected.high)
        return ::testing::AssertionFailure() << "\"" << line << "\": " << value << " is not within "
                                             << expected.low << " to " << expected.high;
    return ::testing::AssertionSuccess();
}

std::vector<ConsoleLine> setupBlock(const std::string& heading, int integrationTime, int spectra) {
    return {heading,
            " Firmware: 12288",
            " High Delay is 0 (set is 0), Low Delay is 1000 (set is 1000)",
            " Spectrometer strobe is enabled",
            " Setting integration time:",
            "   Trigger mode is Software (0)",
            "   Integration time is " + std::to_string(integrationTime) + " us",
            "   Spectrum length is 2048",
            "   Specta count is " + std::to_string(spectra),
            "   Spectrum was acquired to set spectrometer",
            "   Trigger mode is Hardware",
            " Done"};
}

// The README's demo: the example configuration on the built-in bench, whose trigger comes
// 300 ms after the first unit is armed. Both units see it at once, so after taking off the
// integration times both delays are about 0; every interval lasts at least one exposure.
TEST(QuillfenSim, RunsTheDemoConfigurationOnTheBuiltInBench) {
    RunFolder folder;
    ASSERT_FALSE(folder.path.empty());
    std::filesystem::copy_file(std::filesystem::path(QUILLFEN_SOURCE_DIR) / "examples/demo.json",
                               folder.path / "demo.json");
    std::filesystem::create_directory(folder.path / "shots");

    const ProgramRun run = runProgram(QUILLFEN_SIM_EXECUTABLE, {"-a", "-i", "demo.json"},
                                      folder.path.string(), {{"QUILLFEN_SIM_BENCH", ""}});

    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::vector<ConsoleLine> expected{
        "Automatic mode activated.",
        "Input configuration: demo.json",
        "Output configuration (JSON) path is not set.",
        "Default shot number 0 is set.",
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
    for (const auto& block : {setupBlock("Setting spectrometer HR+C1834 (Halpha)", 4000, 20),
                              setupBlock("Setting spectrometer HR+C0732 (VIS)", 5000, 15)})
        expected.insert(expected.end(), block.begin(), block.end());
    const std::string delay = " Delay relative to the first finished spectrometer: # ms";
    const std::vector<ConsoleLine> statistics{
        "Collecting spectra",
        "Acquisition statistic for spectrometer HR+C1834 (Halpha)",
        " Temperature: 24.9984 \xC2\xB0"
        "C",  // the degree sign in UTF-8
        {" Average time: # ms", 4.0, 14.0},
        {delay, -10.0, 10.0},
        "Acquisition statistic for spectrometer HR+C0732 (VIS)",
        " Temperature: 24.9984 \xC2\xB0"
        "C",
        {" Average time: # ms", 5.0, 15.0},
        {delay, -10.0, 10.0},
    };
    expected.insert(expected.end(), statistics.begin(), statistics.end());

    const std::vector<std::string> console = quillfen::testing::lines(run.out);
    EXPECT_EQ(console.size(), expected.size()) << run.out;
    for (std::size_t i = 0; i < std::min(console.size(), expected.size()); ++i)
        EXPECT_TRUE(matches(console[i], expected[i])) << "line " << i;
    EXPECT_TRUE(run.out.ends_with("\n"));
    EXPECT_NE(run.err.find(R"({"device":"","msg":"Finished","st":5,)"), std::string::npos)
        << run.err;
    EXPECT_TRUE(std::filesystem::is_regular_file(folder.path / "shots/Halpha_0.h5"));
    EXPECT_TRUE(std::filesystem::is_regular_file(folder.path / "shots/VIS_0.h5"));
}

TEST(QuillfenSim, RefusesAnInvalidBenchBeforeDoingAnythingElse) {
    const std::string path =
        ::testing::TempDir() + "quillfen-sim-bad-bench-" + std::to_string(getpid()) + ".json";
    std::ofstream(path) << R"({"devices": [{"model": "HR9000", "serial": "A"}]})";
    const ProgramRun run = runProgram(QUILLFEN_SIM_EXECUTABLE, {"-a", "-i", "examples/demo.json"},
                                      QUILLFEN_SOURCE_DIR, {{"QUILLFEN_SIM_BENCH", path}});
    std::remove(path.c_str());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "quillfen-sim: cannot use the bench " + path +
                           ": devices[0].model: unknown model \"HR9000\"\n");
}

TEST(QuillfenSim, RefusesABenchFileThatCannotBeRead) {
    const ProgramRun run =
        runProgram(QUILLFEN_SIM_EXECUTABLE, {"-a", "-i", "examples/demo.json"}, QUILLFEN_SOURCE_DIR,
                   {{"QUILLFEN_SIM_BENCH", "/nonexistent/bench.json"}});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(
        run.err,
        "quillfen-sim: cannot use the bench /nonexistent/bench.json: the file cannot be read\n");
}

}  // namespace
}  // namespace spectro::sim::test

namespace spectro::sim::test {
namespace {

TEST(SimulatedPlatform, AProgramEndsWhileAThreadWaitsForATriggerThatNeverFires) {
    const auto started = std::chrono::steady_clock::now();
    const ProgramRun run = runProgram(SIM_BLOCKED_EXIT_EXECUTABLE, {}, QUILLFEN_SOURCE_DIR, {});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "ending\n");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
}

}  // namespace
}  // namespace spectro::sim::test
