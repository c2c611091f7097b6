#pragma once

// Framed messages written out by hand for the tests, independently of FBPMessage, so that a
// misread layout cannot hide behind the code under test.

#include <cstdint>
#include <functional>
#include <string>

#include "device/common/Exceptions.h"

#include "device/support/Scripted.h"

namespace spectro::test::fbp {

constexpr std::uint16_t ACK = 0x0002;
constexpr std::uint16_t NACK = 0x0008;

inline void putU16(Bytes& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void putU32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline std::uint32_t getU32(const Bytes& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// A message of `type` with `flags`; up to 16 bytes of `immediate` go into the header and
// `payload` follows it.
inline Bytes message(std::uint32_t type, std::uint16_t flags, const Bytes& immediate = {},
                     const Bytes& payload = {}) {
    Bytes bytes(64 + payload.size(), 0);
    bytes[0] = 0xC1;
    bytes[1] = 0xC0;
    putU16(bytes, 2, 0x1100);
    putU16(bytes, 4, flags);
    putU32(bytes, 8, type);
    bytes[23] = static_cast<std::uint8_t>(immediate.size());
    for (std::size_t i = 0; i < immediate.size() && i < 16; ++i) bytes[24 + i] = immediate[i];
    putU32(bytes, 40, static_cast<std::uint32_t>(20 + payload.size()));
    std::copy(payload.begin(), payload.end(), bytes.begin() + 44);
    const std::size_t footer = 60 + payload.size();
    bytes[footer] = 0xC5;
    bytes[footer + 1] = 0xC4;
    bytes[footer + 2] = 0xC3;
    bytes[footer + 3] = 0xC2;
    return bytes;
}

// The data of a sent message: its immediate data, or its payload when it has one.
inline Bytes dataOf(const Bytes& sent) {
    const std::uint32_t remaining = getU32(sent, 40);
    if (remaining > 20) return Bytes(sent.begin() + 44, sent.begin() + 44 + (remaining - 20));
    return Bytes(sent.begin() + 24, sent.begin() + 24 + sent[23]);
}

inline Bytes counting(std::size_t count, std::uint8_t first = 1) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

// The text of the ProtocolException the action throws; any other outcome gives a text that
// no test expects.
inline std::string protocolMessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ProtocolException& e) {
        return e.what();
    } catch (const std::exception& e) {
        return std::string("(not a ProtocolException) ") + e.what();
    }
    return "(nothing thrown)";
}

}  // namespace spectro::test::fbp
