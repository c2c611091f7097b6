#pragma once

#include "sim/SimBench.h"
#include "sim/usbemu/EmulatedBus.h"

namespace spectro::sim {

// Plugs the bench's units into the bus in bench order: bus 1, ports 1, 2, ..., addresses
// from 2, high-speed units at 480 Mbit/s, the others at 12.
void plugBenchIn(const SimBench& bench, EmulatedBus& bus);

}  // namespace spectro::sim
