#pragma once

#include <string>
#include <vector>

#include "support/Subprocess.h"

namespace quillfen::testing {

using ProgramResult = ProgramRun;

// Runs the real quillfen executable in `workingDirectory` with `arguments`, feeding `input` on
// standard input (then end of input), and collects both output streams.
ProgramResult runQuillfen(const std::vector<std::string>& arguments,
                          const std::string& workingDirectory, const std::string& input = "");

}  // namespace quillfen::testing
