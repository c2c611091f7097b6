#pragma once

#include <cstdint>
#include <vector>

#include "sim/UnitPort.h"

namespace spectro::sim {

// The 18-byte device descriptor of a simulated unit.
std::vector<std::uint8_t> deviceDescriptor(const UsbIdentity& usb);

// Its whole configuration descriptor: one configuration with interface 0 holding the unit's
// bulk endpoints, each with the unit's largest packet size.
std::vector<std::uint8_t> configurationDescriptor(const UsbIdentity& usb);

}  // namespace spectro::sim
