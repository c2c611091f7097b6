#include "device/common/Version.h"

namespace spectro {

const char* libraryVersion() { return SPECTRO_VERSION; }

}  // namespace spectro
