#include "sim/legacy/SpectrumFrames.h"

#include "sim/SpectrumPatterns.h"

namespace spectro::sim {

namespace {

constexpr std::uint8_t syncByte = 0x69;
// The 2K layout's high bytes carry 12-bit pixels in their low nibble; the upper nibble is not
// part of the pixel and is sent set, so that a host that forgets to drop it shows at once.
constexpr std::uint8_t blocks2KUpperNibble = 0xA0;

}  // namespace

std::vector<std::uint16_t> patternWords(const LegacyModel& model, SpectrumPattern pattern,
                                        std::uint64_t index, std::uint32_t integrationUs) {
    // Every legacy word fits 16 bits: the lines stay below the model's 16-bit full scale.
    const std::vector<std::uint32_t> values = patternValues(
        {model.words, model.pixels, model.maxIntensity}, pattern, index, integrationUs);
    return std::vector<std::uint16_t>(values.begin(), values.end());
}

std::vector<std::uint8_t> encodeFrame(const LegacyModel& model,
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
