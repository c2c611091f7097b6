#pragma once

#include <cstdint>
#include <vector>

#include "sim/UnitPort.h"

namespace spectro::sim {

// The 18-byte device descriptor of a simulated unit.
std::vector<std::uint8_t> deviceDescriptor(const ModelTraits& model);

// Its whole configuration descriptor: one configuration with interface 0 holding the model's
// bulk endpoints, each with the given largest packet size.
std::vector<std::uint8_t> configurationDescriptor(const ModelTraits& model, int packetSize);

}  // namespace spectro::sim
