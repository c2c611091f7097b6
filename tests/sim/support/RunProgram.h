#pragma once

#include <map>
#include <string>
#include <vector>

namespace spectro::sim::test {

struct ProgramRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a program in a working directory with extra environment variables (an empty value
// removes the variable), standard input closed, and collects both output streams. A program
// still running after 30 s is killed and reported with exit code -1.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& workingDirectory,
                      const std::map<std::string, std::string>& environment);

}  // namespace spectro::sim::test
