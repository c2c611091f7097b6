#pragma once

namespace spectro {

// The device library's own version, as reported in the program's identification line.
const char* libraryVersion();

}  // namespace spectro
