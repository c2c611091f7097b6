#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace spectro {

// Word `i` of a run of little-endian 16-bit words, read in one load (the decoders' hot loop).
inline std::uint16_t littleEndianWord(const std::uint8_t* bytes, std::size_t i) {
    std::uint16_t word;
    std::memcpy(&word, bytes + 2 * i, sizeof word);
    if constexpr (std::endian::native == std::endian::big)
        word = static_cast<std::uint16_t>(word << 8 | word >> 8);
    return word;
}

}  // namespace spectro
