#pragma once

// Little-endian fields of framed messages and their data: every multi-byte integer on this wire
// is least significant byte first, and f32 values are IEEE-754 singles in the same order.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace spectro::framedBinaryProtocol {

using Bytes = std::vector<std::uint8_t>;

// Readers: the caller makes sure the bytes are there.
inline std::uint16_t readU16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

inline std::uint32_t readU32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
           (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

inline float readF32(const std::uint8_t* at) { return std::bit_cast<float>(readU32(at)); }

// Writers append to the end of `out`.
inline void appendU16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void appendU32(Bytes& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
}

inline void appendF32(Bytes& out, float value) { appendU32(out, std::bit_cast<std::uint32_t>(value)); }

inline Bytes u16Bytes(std::uint16_t value) {
    Bytes out;
    appendU16(out, value);
    return out;
}

inline Bytes u32Bytes(std::uint32_t value) {
    Bytes out;
    appendU32(out, value);
    return out;
}

inline Bytes f32Bytes(float value) {
    Bytes out;
    appendF32(out, value);
    return out;
}

}  // namespace spectro::framedBinaryProtocol
