#pragma once

#include <cstddef>
#include <cstdint>

namespace spectro::sim {

// Little-endian fields of the wire formats, as the device reads and writes them.
inline std::uint16_t readLittle16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

inline std::uint32_t readLittle32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
           (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

inline void writeLittle16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value & 0xFF);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void writeLittle32(std::uint8_t* at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
}

}  // namespace spectro::sim
