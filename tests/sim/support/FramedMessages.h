#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace spectro::sim::test {

// Framed-binary messages laid out field by field as the wire format has them, written here on
// their own so that a misreading in the simulator cannot hide in a shared encoder.
namespace framed {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t ack = 0x0002;
constexpr std::uint16_t ackRequested = 0x0004;
constexpr std::uint16_t nack = 0x0008;

inline void put16(Bytes& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}
inline void put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
inline std::uint32_t get32(const Bytes& bytes, std::size_t at) {
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
           (std::uint32_t{bytes[at + 3]} << 24);
}

// A message of `type` with `data` as immediate data (16 bytes or fewer) or, with `inPayload`
// or when longer, as payload; with `padTo4`, zero bytes up to the next multiple of 4.
inline Bytes message(std::uint32_t type, std::uint16_t flags = 0, const Bytes& data = {},
                     bool inPayload = false, bool padTo4 = false) {
    const bool payload = inPayload || data.size() > 16;
    const std::size_t p = payload ? data.size() : 0;
    Bytes bytes(64 + p, 0);
    bytes[0] = 0xC1;
    bytes[1] = 0xC0;
    bytes[2] = 0x00;  // protocol version 0x1100
    bytes[3] = 0x11;
    put16(bytes, 4, flags);
    put32(bytes, 8, type);
    if (payload) {
        std::copy(data.begin(), data.end(), bytes.begin() + 44);
    } else {
        bytes[23] = static_cast<std::uint8_t>(data.size());
        std::copy(data.begin(), data.end(), bytes.begin() + 24);
    }
    put32(bytes, 40, static_cast<std::uint32_t>(p + 20));
    const std::uint8_t footer[] = {0xC5, 0xC4, 0xC3, 0xC2};
    std::copy(std::begin(footer), std::end(footer), bytes.end() - 4);
    if (padTo4) bytes.resize((bytes.size() + 3) / 4 * 4, 0);
    return bytes;
}

inline Bytes u32(std::uint32_t value) {
    Bytes bytes(4);
    put32(bytes, 0, value);
    return bytes;
}
inline Bytes f32(float value) {
    std::uint32_t raw;
    std::memcpy(&raw, &value, sizeof raw);
    return u32(raw);
}
inline Bytes text(const std::string& value) {
    Bytes bytes(value.begin(), value.end());
    bytes.push_back(0);
    return bytes;
}

}  // namespace framed
}  // namespace spectro::sim::test
