#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace quillfen::testing {

struct ProgramRun {
    int exitCode = -1;  // -1 when the program did not exit normally or was killed
    bool timedOut = false;
    std::string out;
    std::string err;
};

// Runs a program in a working directory with extra environment variables (an empty value
// removes the variable), feeds `input` on standard input and then end of input, and collects
// both output streams. A program still running after `timeout` is killed.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& workingDirectory,
                      const std::map<std::string, std::string>& environment = {},
                      const std::string& input = "",
                      std::chrono::seconds timeout = std::chrono::seconds(60));

// The lines of a text, without their line ends.
std::vector<std::string> lines(const std::string& text);

}  // namespace quillfen::testing
