#pragma once

#include "device/common/Protocol.h"

namespace spectro::test {

// The two protocol identities the feature tests ask with: most fakes answer one of them, so
// the other one shows what a feature does when no implementation matches.
inline const legacyProtocol::LegacyProtocol legacy;
inline const framedBinaryProtocol::FramedBinaryProtocol fbp;

}  // namespace spectro::test
