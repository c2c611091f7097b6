#include "sim/SpectrumFrames.h"

#include <algorithm>
#include <cmath>

namespace spectro::sim {

namespace {

constexpr std::uint8_t syncByte = 0x69;
// The 2K layout's high bytes carry 12-bit pixels in their low nibble; the upper nibble is not
// part of the pixel and is sent set, so that a host that forgets to drop it shows at once.
constexpr std::uint8_t blocks2KUpperNibble = 0xA0;

// A few emission lines on a flat baseline, growing with the integration time until the
// detector saturates. A small fixed ripple keeps neighbouring spectra from being identical.
std::vector<std::uint16_t> linesWords(const ModelTraits& model, std::uint64_t index,
                                      std::uint32_t integrationUs) {
    struct Line {
        double position;  // fraction of the pixel range
        double strength;  // fraction of full scale at 20 ms
    };
    static constexpr Line lines[] = {{0.18, 0.35}, {0.41, 0.9}, {0.57, 0.25}, {0.79, 0.6}};
    const double top = model.maxIntensity;
    const double baseline = top * 0.03;
    const double scale = top * static_cast<double>(integrationUs) / 20000.0;
    const double width = std::max(1.5, model.pixels / 400.0);

    std::vector<std::uint16_t> words(static_cast<std::size_t>(model.words));
    for (std::size_t j = 0; j < words.size(); ++j) {
        double value = baseline + static_cast<double>((j * 37 + index * 11) % 17) - 8.0;
        for (const Line& line : lines) {
            const double distance = (static_cast<double>(j) - line.position * model.pixels) / width;
            value += scale * line.strength * std::exp(-0.5 * distance * distance);
        }
        words[j] = static_cast<std::uint16_t>(std::clamp(value, 0.0, top));
    }
    return words;
}

}  // namespace

std::vector<std::uint16_t> patternWords(const ModelTraits& model, SpectrumPattern pattern,
                                        std::uint64_t index, std::uint32_t integrationUs) {
    if (pattern == SpectrumPattern::Lines) return linesWords(model, index, integrationUs);
    std::vector<std::uint16_t> words(static_cast<std::size_t>(model.words));
    for (std::size_t j = 0; j < words.size(); ++j) {
        // The ramp16 steps are odd: no two words of a frame, nor one word in two spectra that
        // follow each other, hold the same value.
        words[j] = pattern == SpectrumPattern::Ramp
                       ? static_cast<std::uint16_t>((7 * index + j) % 4096)
                       : static_cast<std::uint16_t>(40503 * (index + 1) + 1031 * j);
    }
    return words;
}

std::vector<std::uint8_t> encodeFrame(const ModelTraits& model,
                                      const std::vector<std::uint16_t>& words, bool goodSync) {
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(model.frameLength()), 0);
    for (std::size_t i = 0; i < words.size(); ++i) {
        const auto low = static_cast<std::uint8_t>(words[i] & 0xFF);
        const auto high = static_cast<std::uint8_t>(words[i] >> 8);
        switch (model.layout) {
            case FrameLayout::Blocks2K: {
                // Each 128-byte block holds 64 pixels: their low bytes, then their high bytes.
                const std::size_t block = i / 64 * 128;
                frame[block + i % 64] = low;
                frame[block + 64 + i % 64] =
                    static_cast<std::uint8_t>(blocks2KUpperNibble | (high & 0x0F));
                break;
            }
            case FrameLayout::HighXor20:
                frame[2 * i] = low;
                frame[2 * i + 1] = static_cast<std::uint8_t>(high ^ 0x20);
                break;
            case FrameLayout::HighXor80:
                frame[2 * i] = low;
                frame[2 * i + 1] = static_cast<std::uint8_t>(high ^ 0x80);
                break;
            case FrameLayout::Plain:
                frame[2 * i] = low;
                frame[2 * i + 1] = high;
                break;
        }
    }
    if (model.syncByte) frame.back() = goodSync ? syncByte : 0x00;
    return frame;
}

}  // namespace spectro::sim
