#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace spectro::sim {

// One framed-binary message as the unit sees it on the wire: a 44-byte header, the payload,
// a 16-byte checksum area and a 4-byte footer, all little-endian. Data of up to 16 bytes
// travels in the header's immediate data, longer data in the payload.
namespace fbp {

constexpr std::size_t headerLength = 44;
constexpr std::size_t trailerLength = 20;  // checksum and footer, counted in bytesRemaining
constexpr std::size_t shortestMessage = headerLength + trailerLength;
constexpr std::size_t immediateDataCapacity = 16;
// A host never sends more than a whole irradiance calibration; a header claiming far more is
// taken for a broken one rather than waited for.
constexpr std::size_t largestPayload = 65536;

constexpr std::uint16_t flagAck = 0x0002;
constexpr std::uint16_t flagAckRequested = 0x0004;
constexpr std::uint16_t flagNack = 0x0008;

}  // namespace fbp

// A message that arrived whole and well formed.
struct FbpRequest {
    std::uint16_t flags = 0;
    std::uint32_t messageType = 0;
    std::vector<std::uint8_t> data;  // the immediate data when there is any, else the payload

    bool wantsAck() const { return (flags & fbp::flagAckRequested) != 0; }
};

// How far the bytes at the start of an input hold a message.
struct FbpScan {
    enum class State {
        Incomplete,  // a message may still be coming: wait for more bytes
        Complete,    // `length` bytes (padding included) hold one well-formed message
        Broken,      // no message starts here: wrong header or footer, impossible lengths
    };
    State state;
    std::size_t length = 0;
};

// Looks at the start of `bytes`. With `paddedTo4` a message is followed by zero bytes up to the
// next multiple of 4, which belong to it.
FbpScan scanMessage(const std::uint8_t* bytes, std::size_t available, bool paddedTo4);

// The request held by a message that scanMessage found Complete.
FbpRequest parseMessage(const std::uint8_t* bytes);

// A message the unit sends: protocol version 0x1100, no error number, the data as immediate
// data (16 bytes or fewer) or as payload, a zero checksum area; with `padTo4` zero bytes up to
// the next multiple of 4 follow the footer.
std::vector<std::uint8_t> encodeMessage(std::uint32_t messageType, std::uint16_t flags,
                                        const std::vector<std::uint8_t>& data, bool padTo4);

}  // namespace spectro::sim
