#pragma once

#include <string>
#include <vector>

namespace quillfen::testing {

struct ProgramResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the real quillfen executable in `workingDirectory` with `arguments`, feeding `input` on
// standard input (then end of input), and collects both output streams.
ProgramResult runQuillfen(const std::vector<std::string>& arguments,
                          const std::string& workingDirectory, const std::string& input = "");

// Splits standard error into its lines.
std::vector<std::string> lines(const std::string& text);

}  // namespace quillfen::testing
