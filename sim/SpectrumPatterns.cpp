#include "sim/SpectrumPatterns.h"

#include <algorithm>
#include <cmath>

namespace spectro::sim {

namespace {

// A few emission lines on a flat baseline, growing with the integration time until the
// detector saturates. A small fixed ripple keeps neighbouring spectra from being identical.
std::vector<std::uint32_t> linesValues(const PatternShape& shape, std::uint64_t index,
                                       std::uint32_t integrationUs) {
    struct Line {
        double position;  // fraction of the pixel range
        double strength;  // fraction of full scale at 20 ms
    };
    static constexpr Line lines[] = {{0.18, 0.35}, {0.41, 0.9}, {0.57, 0.25}, {0.79, 0.6}};
    const double top = shape.maxIntensity;
    const double baseline = top * 0.03;
    const double scale = top * static_cast<double>(integrationUs) / 20000.0;
    const double width = std::max(1.5, shape.pixels / 400.0);

    std::vector<std::uint32_t> values(static_cast<std::size_t>(shape.values));
    for (std::size_t j = 0; j < values.size(); ++j) {
        double value = baseline + static_cast<double>((j * 37 + index * 11) % 17) - 8.0;
        for (const Line& line : lines) {
            const double distance = (static_cast<double>(j) - line.position * shape.pixels) / width;
            value += scale * line.strength * std::exp(-0.5 * distance * distance);
        }
        values[j] = static_cast<std::uint32_t>(std::clamp(value, 0.0, top));
    }
    return values;
}

}  // namespace

std::vector<std::uint32_t> patternValues(const PatternShape& shape, SpectrumPattern pattern,
                                         std::uint64_t index, std::uint32_t integrationUs) {
    if (pattern == SpectrumPattern::Lines) return linesValues(shape, index, integrationUs);
    std::vector<std::uint32_t> values(static_cast<std::size_t>(shape.values));
    for (std::size_t j = 0; j < values.size(); ++j) {
        // The ramp16 steps are odd: no two words of a spectrum, nor one word in two spectra that
        // follow each other, hold the same value.
        values[j] = pattern == SpectrumPattern::Ramp
                        ? static_cast<std::uint32_t>((7 * index + j) % 4096)
                        : static_cast<std::uint32_t>((40503 * (index + 1) + 1031 * j) % 65536);
    }
    return values;
}

}  // namespace spectro::sim
