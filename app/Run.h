#pragma once

namespace quillfen {

// The whole program: one shot from the command line to "Finished". Returns the exit code.
int run(int argc, char** argv);

}  // namespace quillfen
