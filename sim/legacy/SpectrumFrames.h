#pragma once

#include <cstdint>
#include <vector>

#include "sim/BenchConfig.h"
#include "sim/legacy/LegacyModelTable.h"

namespace spectro::sim {

// The words of spectrum number `index` (0 = the first since the unit was opened), one per
// word of the model's frame.
std::vector<std::uint16_t> patternWords(const LegacyModel& model, SpectrumPattern pattern,
                                        std::uint64_t index, std::uint32_t integrationUs);

// The bytes of one frame in the model's layout. With `goodSync` false a frame that ends with
// a sync byte ends with 0x00 instead.
std::vector<std::uint8_t> encodeFrame(const LegacyModel& model,
                                      const std::vector<std::uint16_t>& words, bool goodSync);

}  // namespace spectro::sim
