#pragma once

#include <cstdint>
#include <vector>

#include "sim/BenchConfig.h"

namespace spectro::sim {

// The detector a pattern is drawn for.
struct PatternShape {
    int values;                  // words the unit sends
    int pixels;                  // pixels the host decodes (the emission lines spread over these)
    std::uint32_t maxIntensity;  // no word of "lines" exceeds it
};

// The values of spectrum number `index` (0 = the first since the unit was opened), one per
// word the unit sends, as described with SpectrumPattern.
std::vector<std::uint32_t> patternValues(const PatternShape& shape, SpectrumPattern pattern,
                                         std::uint64_t index, std::uint32_t integrationUs);

}  // namespace spectro::sim
