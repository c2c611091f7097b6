// The quillfen-sim executable: its bench from the environment, and refusal of a bad bench.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "support/Subprocess.h"

namespace spectro::sim::test {
namespace {

using quillfen::testing::ProgramRun;
using quillfen::testing::runProgram;

TEST(QuillfenSim, RunsTheDemoBenchToTheEnd) {
    const ProgramRun run = runProgram(QUILLFEN_SIM_EXECUTABLE, {"-a", "-i", "examples/demo.json"},
                                      QUILLFEN_SOURCE_DIR, {{"QUILLFEN_SIM_BENCH", ""}});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.err.find(R"("msg":"Finished")"), std::string::npos) << run.err;
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
