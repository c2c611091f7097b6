#include "app/Console.h"

#include <iostream>

namespace quillfen {

void waitForEnter() {
    std::cout << "Press Enter to continue ..." << std::flush;
    std::cin.get();
}

}  // namespace quillfen
