#pragma once

// One framed message: a 44-byte header, an optional payload, a 16-byte checksum area and a
// 4-byte footer, little-endian throughout. Data of up to 16 bytes travels in the header's
// immediate data; longer data travels in the payload. A message lives for one request or reply.

#include <cstdint>
#include <optional>
#include <vector>

#include "device/protocols/fbp/FBPBytes.h"

namespace spectro::framedBinaryProtocol {

class FBPMessage {
  public:
    static constexpr std::uint16_t FBP_FLAG_ACK = 0x0002;
    static constexpr std::uint16_t FBP_FLAG_ACK_REQUESTED = 0x0004;
    static constexpr std::uint16_t FBP_FLAG_NACK = 0x0008;

    static constexpr std::size_t HEADER_LENGTH = 44;
    static constexpr std::size_t CHECKSUM_LENGTH = 16;
    static constexpr std::size_t FOOTER_LENGTH = 4;
    static constexpr std::size_t MAX_IMMEDIATE_DATA_LENGTH = 16;
    // The length of a message without payload.
    static constexpr std::size_t MINIMUM_LENGTH = HEADER_LENGTH + CHECKSUM_LENGTH + FOOTER_LENGTH;

    FBPMessage();

    // With none, only the immediate data length drops to 0. With bytes, at most 16 of them
    // count as immediate data and any payload is dropped.
    void setImmediateData(std::optional<Bytes> bytes);
    // A payload of at least one byte clears the immediate data.
    void setPayload(std::optional<Bytes> bytes);
    // More than 16 bytes go into the payload, the rest into the immediate data.
    void setData(Bytes bytes);

    // The message as it goes on the wire: 64 bytes plus the payload.
    Bytes toByteVector() const;

    // The header alone, from the first 44 bytes; IllegalArgumentException when unreadable.
    static FBPMessage parseHeaderFromBytes(const Bytes& bytes);
    // A whole message; IllegalArgumentException when it is unreadable or not all there.
    static FBPMessage parseByteStream(const Bytes& bytes);

    // The data a reply carries: the immediate data when it has any, else the payload, else
    // nothing (an empty vector).
    Bytes getData() const;

    std::uint16_t getProtocolVersion() const { return protocolVersion; }
    std::uint16_t getFlags() const { return flags; }
    void setFlags(std::uint16_t value) { flags = value; }
    std::uint16_t getErrorNumber() const { return errorNumber; }
    std::uint32_t getMessageType() const { return messageType; }
    void setMessageType(std::uint32_t value) { messageType = value; }
    std::uint32_t getRegarding() const { return regarding; }
    std::uint8_t getChecksumType() const { return checksumType; }
    std::uint8_t getImmediateDataLength() const { return immediateDataLength; }
    const std::optional<Bytes>& getImmediateData() const { return immediateData; }
    std::uint32_t getBytesRemaining() const { return bytesRemaining; }
    const std::optional<Bytes>& getPayload() const { return payload; }
    const Bytes& getChecksum() const { return checksum; }

  private:
    Bytes header{0xC1, 0xC0};
    std::uint16_t protocolVersion = 0x1100;
    std::uint16_t flags = 0;
    std::uint16_t errorNumber = 0;
    std::uint32_t messageType = 0;
    std::uint32_t regarding = 0;
    std::uint8_t checksumType = 0;
    std::uint8_t immediateDataLength = 0;
    std::optional<Bytes> immediateData;
    // Always the payload length plus the checksum and footer lengths.
    std::uint32_t bytesRemaining = CHECKSUM_LENGTH + FOOTER_LENGTH;
    std::optional<Bytes> payload;
    Bytes checksum = Bytes(CHECKSUM_LENGTH, 0);
    Bytes footer{0xC5, 0xC4, 0xC3, 0xC2};
};

}  // namespace spectro::framedBinaryProtocol
