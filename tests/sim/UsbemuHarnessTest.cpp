// quillfen-usbemu: the bench's units on an emulated USB bus, reached by another program
// through the device library's real (libusb) platform.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "support/Subprocess.h"

#ifdef QUILLFEN_USBEMU_EXECUTABLE

namespace spectro::sim::test {
namespace {

using quillfen::testing::ProgramRun;
using quillfen::testing::runProgram;

class SimUsbemuHarness : public ::testing::Test {
  protected:
    ProgramRun run(const std::string& bench, const std::vector<std::string>& program) {
        std::ofstream(benchPath) << bench;
        std::vector<std::string> arguments{benchPath, "--"};
        arguments.insert(arguments.end(), program.begin(), program.end());
        return runProgram(QUILLFEN_USBEMU_EXECUTABLE, arguments, ::testing::TempDir(), {});
    }
    void TearDown() override { std::remove(benchPath.c_str()); }

    // ctest runs the tests of this suite in parallel processes: each needs its own bench file.
    const std::string benchPath =
        ::testing::TempDir() + "quillfen-usbemu-bench-" + std::to_string(getpid()) + ".json";
};

TEST_F(SimUsbemuHarness, UnitsAnswerThroughTheRealUsbBackend) {
    const ProgramRun result = run(
        R"({"timing": "fast", "devices": [{"model": "HR2000+", "serial": "A", "pattern": "ramp",
            "faults": {"fail_opcodes": [108]}}]})",
        {SIM_USB_PROBE_EXECUTABLE, "1016", "w01:FE", "r81:16", "w01:6B04", "r81:3", "w01:09",
         "r82:4097", "w01:09", "r82:4097", "r82:4097", "w01:6C"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
              "units 1\n"
              "packet 512\n"
              "w 1\n"
              "r 16 00 08 A0 86 ... 00\n"  // 2048 pixels, 100000 us
              "w 2\n"
              "r 3 6B 00 30\n"
              "w 1\n"
              "r 4097 00 20 01 20 ... 69\n"
              "w 1\n"
              "r 4097 07 20 08 20 ... 69\n"
              "r -1\n"    // nothing more is coming
              "w -1\n");  // a failing command
}

TEST_F(SimUsbemuHarness, ACommandAfterAShortReadFailsAndTheNextOneWorks) {
    // The host keeps the excess of whole packets, so what stays unread at the unit is the rest
    // of a frame read only in part (512 of 4097 bytes: one whole transfer, nothing kept).
    const ProgramRun result =
        run(R"({"timing": "fast", "devices": [{"model": "HR2000+", "serial": "A", "pattern": "ramp"}]})",
            {SIM_USB_PROBE_EXECUTABLE, "1016", "w01:09", "r82:512", "w01:6B04", "r82:512",
             "w01:6B04", "r81:3", "w01:6A040000"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
              "units 1\n"
              "packet 512\n"
              "w 1\n"
              "r 512 00 20 01 20 ... 20\n"
              "w -1\n"  // the rest of the frame is still unread
              "r -1\n"  // and it is gone
              "w 2\n"
              "r 3 6B 00 30\n"
              "w -1\n");  // the version register cannot be written
}

TEST_F(SimUsbemuHarness, HighSpeedFramesArriveOnTwoEndpointsAndAnUnpluggedUnitLeavesTheBus) {
    const std::string probe = SIM_USB_PROBE_EXECUTABLE;
    const ProgramRun result =
        run(R"({"timing": "fast", "devices": [{"model": "HR4000", "serial": "A", "pattern": "ramp",
                "faults": {"disconnect_after_spectra": 1}}]})",
            {"/bin/sh", "-c",
             probe + " 1012 w01:09 r86:2048 r82:5633 w01:FE; sleep 0.3; " + probe + " 1012"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
              "units 1\n"
              "packet 512\n"
              "w 1\n"
              "r 2048 00 20 01 20 ... 23\n"  // pixel 1023 = 0x3FF
              "r 5633 00 24 01 24 ... 69\n"  // pixel 1024 = 0x400
              "w -1\n"
              "units 0\n");
}

TEST_F(SimUsbemuHarness, ReturnsTheProgramsExitCode) {
    EXPECT_EQ(run(R"({"devices": []})", {"/bin/sh", "-c", "exit 7"}).exitCode, 7);
}

TEST_F(SimUsbemuHarness, RefusesAnInvalidBench) {
    const ProgramRun result = run(R"({"timing": 1})", {"/bin/true"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "quillfen-usbemu: cannot use the bench " + benchPath +
                              ": timing: must be \"realtime\" or \"fast\"\n");
}

}  // namespace
}  // namespace spectro::sim::test

#endif
