#pragma once

// The two halves of a legacy command that has a reply, each one transfer on the control hint.

#include <cstdint>
#include <memory>
#include <vector>

#include "device/common/Exchange.h"

namespace spectro::legacyProtocol {

// Writes exactly these bytes.
std::unique_ptr<Transfer> controlWrite(std::vector<std::uint8_t> bytes);
// Reads up to `length` bytes into a zero-filled buffer.
std::unique_ptr<Transfer> controlRead(std::uint32_t length);

}  // namespace spectro::legacyProtocol
