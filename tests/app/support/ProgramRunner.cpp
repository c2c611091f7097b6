#include "app/support/ProgramRunner.h"

namespace quillfen::testing {

ProgramResult runQuillfen(const std::vector<std::string>& arguments,
                          const std::string& workingDirectory, const std::string& input) {
    return runProgram(QUILLFEN_EXECUTABLE, arguments, workingDirectory, {}, input);
}

}  // namespace quillfen::testing
