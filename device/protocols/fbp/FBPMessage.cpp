#include "device/protocols/fbp/FBPMessage.h"

#include <algorithm>

#include "device/common/Exceptions.h"

namespace spectro::framedBinaryProtocol {

namespace {

constexpr std::uint8_t HEADER_BYTES[] = {0xC1, 0xC0};
constexpr std::uint8_t FOOTER_BYTES[] = {0xC5, 0xC4, 0xC3, 0xC2};
constexpr std::uint32_t TRAILER_LENGTH = FBPMessage::CHECKSUM_LENGTH + FBPMessage::FOOTER_LENGTH;

// Header field offsets.
constexpr std::size_t PROTOCOL_VERSION_AT = 2;
constexpr std::size_t FLAGS_AT = 4;
constexpr std::size_t ERROR_NUMBER_AT = 6;
constexpr std::size_t MESSAGE_TYPE_AT = 8;
constexpr std::size_t REGARDING_AT = 12;
constexpr std::size_t CHECKSUM_TYPE_AT = 22;
constexpr std::size_t IMMEDIATE_LENGTH_AT = 23;
constexpr std::size_t IMMEDIATE_DATA_AT = 24;
constexpr std::size_t BYTES_REMAINING_AT = 40;

}  // namespace

FBPMessage::FBPMessage() = default;

void FBPMessage::setImmediateData(std::optional<Bytes> bytes) {
    if (!bytes) {
        immediateData.reset();
        immediateDataLength = 0;
        return;
    }
    immediateDataLength =
        static_cast<std::uint8_t>(std::min(bytes->size(), MAX_IMMEDIATE_DATA_LENGTH));
    immediateData = std::move(bytes);
    payload.reset();
    bytesRemaining = TRAILER_LENGTH;
}

void FBPMessage::setPayload(std::optional<Bytes> bytes) {
    const std::size_t count = bytes ? bytes->size() : 0;
    payload = std::move(bytes);
    bytesRemaining = static_cast<std::uint32_t>(TRAILER_LENGTH + count);
    if (count > 0) setImmediateData(std::nullopt);
}

void FBPMessage::setData(Bytes bytes) {
    if (bytes.size() > MAX_IMMEDIATE_DATA_LENGTH) {
        setPayload(std::move(bytes));
        return;
    }
    setImmediateData(std::move(bytes));
}

Bytes FBPMessage::toByteVector() const {
    const std::size_t payloadLength = payload ? payload->size() : 0;
    Bytes out;
    out.reserve(MINIMUM_LENGTH + payloadLength);
    out.insert(out.end(), header.begin(), header.end());
    appendU16(out, protocolVersion);
    appendU16(out, flags);
    appendU16(out, errorNumber);
    appendU32(out, messageType);
    appendU32(out, regarding);
    out.insert(out.end(), 6, 0);  // reserved
    out.push_back(checksumType);
    out.push_back(immediateDataLength);
    Bytes immediate(MAX_IMMEDIATE_DATA_LENGTH, 0);
    if (immediateData) {
        std::copy_n(immediateData->begin(),
                    std::min(immediateData->size(), MAX_IMMEDIATE_DATA_LENGTH), immediate.begin());
    }
    out.insert(out.end(), immediate.begin(), immediate.end());
    appendU32(out, static_cast<std::uint32_t>(TRAILER_LENGTH + payloadLength));
    if (payload) out.insert(out.end(), payload->begin(), payload->end());
    out.insert(out.end(), CHECKSUM_LENGTH, 0);  // no checksum is ever computed
    out.insert(out.end(), footer.begin(), footer.end());
    return out;
}

FBPMessage FBPMessage::parseHeaderFromBytes(const Bytes& bytes) {
    if (bytes.size() < 2 || bytes[0] != HEADER_BYTES[0] || bytes[1] != HEADER_BYTES[1]) {
        throw IllegalArgumentException("Could not find message header");
    }
    if (bytes.size() < HEADER_LENGTH) throw IllegalArgumentException("Message header is incomplete");
    const std::uint8_t* at = bytes.data();
    FBPMessage message;
    message.protocolVersion = readU16(at + PROTOCOL_VERSION_AT);
    message.flags = readU16(at + FLAGS_AT);
    message.errorNumber = readU16(at + ERROR_NUMBER_AT);
    message.messageType = readU32(at + MESSAGE_TYPE_AT);
    message.regarding = readU32(at + REGARDING_AT);
    message.checksumType = at[CHECKSUM_TYPE_AT];
    message.immediateDataLength = at[IMMEDIATE_LENGTH_AT];
    // The header has room for 16 bytes; a larger count cannot be honoured.
    if (message.immediateDataLength > MAX_IMMEDIATE_DATA_LENGTH) {
        throw IllegalArgumentException("Invalid immediate data length field");
    }
    if (message.immediateDataLength != 0) {
        message.immediateData = Bytes(at + IMMEDIATE_DATA_AT,
                                      at + IMMEDIATE_DATA_AT + message.immediateDataLength);
    }
    message.bytesRemaining = readU32(at + BYTES_REMAINING_AT);
    if (message.bytesRemaining < TRAILER_LENGTH) {
        throw IllegalArgumentException("Invalid bytes remaining field");
    }
    return message;
}

FBPMessage FBPMessage::parseByteStream(const Bytes& bytes) {
    FBPMessage message = parseHeaderFromBytes(bytes);
    const std::uint64_t payloadLength = message.bytesRemaining - TRAILER_LENGTH;
    // A message that claims more than arrived is cut short: its footer is not where it says.
    if (bytes.size() < MINIMUM_LENGTH + payloadLength) {
        throw IllegalArgumentException("Message is shorter than its bytes remaining field");
    }
    const auto payloadEnd = bytes.begin() + static_cast<std::ptrdiff_t>(HEADER_LENGTH + payloadLength);
    if (payloadLength > 0) message.payload = Bytes(bytes.begin() + HEADER_LENGTH, payloadEnd);
    message.checksum = Bytes(payloadEnd, payloadEnd + CHECKSUM_LENGTH);  // kept, never verified
    if (!std::equal(std::begin(FOOTER_BYTES), std::end(FOOTER_BYTES), payloadEnd + CHECKSUM_LENGTH)) {
        throw IllegalArgumentException("Could not find message footer");
    }
    return message;
}

Bytes FBPMessage::getData() const {
    if (immediateData && immediateDataLength != 0) {
        return Bytes(immediateData->begin(), immediateData->begin() + immediateDataLength);
    }
    if (payload && bytesRemaining > TRAILER_LENGTH) return *payload;
    return {};
}

}  // namespace spectro::framedBinaryProtocol
