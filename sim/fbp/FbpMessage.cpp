#include "sim/fbp/FbpMessage.h"

#include <algorithm>

#include "sim/ByteOrder.h"

namespace spectro::sim {

namespace {

constexpr std::uint8_t header[] = {0xC1, 0xC0};
constexpr std::uint8_t footer[] = {0xC5, 0xC4, 0xC3, 0xC2};
constexpr std::uint16_t protocolVersion = 0x1100;

// Offsets within the header.
constexpr std::size_t flagsAt = 4;
constexpr std::size_t messageTypeAt = 8;
constexpr std::size_t immediateLengthAt = 23;
constexpr std::size_t immediateDataAt = 24;
constexpr std::size_t bytesRemainingAt = 40;

std::size_t paddedLength(std::size_t length, bool paddedTo4) {
    return paddedTo4 ? (length + 3) / 4 * 4 : length;
}

}  // namespace

FbpScan scanMessage(const std::uint8_t* bytes, std::size_t available, bool paddedTo4) {
    using State = FbpScan::State;
    // A wrong header shows in its first bytes: no need to wait for the rest.
    for (std::size_t i = 0; i < std::min(available, sizeof header); ++i)
        if (bytes[i] != header[i]) return {State::Broken};
    if (available < fbp::headerLength) return {State::Incomplete};
    const std::uint32_t remaining = readLittle32(bytes + bytesRemainingAt);
    if (remaining < fbp::trailerLength || remaining - fbp::trailerLength > fbp::largestPayload ||
        bytes[immediateLengthAt] > fbp::immediateDataCapacity)
        return {State::Broken};
    const std::size_t length = fbp::headerLength + remaining;
    const std::size_t padded = paddedLength(length, paddedTo4);
    if (available < padded) return {State::Incomplete};
    if (!std::equal(std::begin(footer), std::end(footer), bytes + length - sizeof footer))
        return {State::Broken};
    if (std::any_of(bytes + length, bytes + padded, [](std::uint8_t b) { return b != 0; }))
        return {State::Broken};
    return {State::Complete, padded};
}

FbpRequest parseMessage(const std::uint8_t* bytes) {
    FbpRequest request;
    request.flags = readLittle16(bytes + flagsAt);
    request.messageType = readLittle32(bytes + messageTypeAt);
    const std::size_t immediate = bytes[immediateLengthAt];
    const std::size_t payload = readLittle32(bytes + bytesRemainingAt) - fbp::trailerLength;
    if (immediate != 0)
        request.data.assign(bytes + immediateDataAt, bytes + immediateDataAt + immediate);
    else
        request.data.assign(bytes + fbp::headerLength, bytes + fbp::headerLength + payload);
    return request;
}

std::vector<std::uint8_t> encodeMessage(std::uint32_t messageType, std::uint16_t flags,
                                        const std::vector<std::uint8_t>& data, bool padTo4) {
    const bool immediate = data.size() <= fbp::immediateDataCapacity;
    const std::size_t payload = immediate ? 0 : data.size();
    const std::size_t length = fbp::shortestMessage + payload;
    std::vector<std::uint8_t> bytes(paddedLength(length, padTo4), 0);
    std::copy(std::begin(header), std::end(header), bytes.begin());
    writeLittle16(&bytes[2], protocolVersion);
    writeLittle16(&bytes[flagsAt], flags);
    writeLittle32(&bytes[messageTypeAt], messageType);
    if (immediate) {
        bytes[immediateLengthAt] = static_cast<std::uint8_t>(data.size());
        std::copy(data.begin(), data.end(), bytes.begin() + immediateDataAt);
    } else {
        std::copy(data.begin(), data.end(), bytes.begin() + fbp::headerLength);
    }
    writeLittle32(&bytes[bytesRemainingAt],
                  static_cast<std::uint32_t>(payload + fbp::trailerLength));
    std::copy(std::begin(footer), std::end(footer),
              bytes.begin() + static_cast<long>(length - sizeof footer));
    return bytes;
}

}  // namespace spectro::sim
