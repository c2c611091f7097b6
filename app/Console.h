#pragma once

namespace quillfen {

// Prints "Press Enter to continue ..." and waits for one character on standard input. End of
// input (no terminal attached) ends the wait at once.
void waitForEnter();

}  // namespace quillfen
