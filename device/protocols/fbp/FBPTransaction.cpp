#include "device/protocols/fbp/FBPTransaction.h"

#include <algorithm>

#include "device/common/Exceptions.h"
#include "device/common/ProtocolHint.h"
#include "device/protocols/fbp/FBPMessage.h"

namespace spectro::framedBinaryProtocol {

namespace {

void sendMessage(TransferHelper& helper, const FBPMessage& message) {
    const Bytes bytes = message.toByteVector();
    try {
        helper.send(bytes, static_cast<std::uint32_t>(bytes.size()));
    } catch (const BusException&) {
        throw ProtocolException("Failed to write to bus.");
    }
}

// Only the bytes that arrived: a zero-filled tail must never pass for part of the reply.
Bytes receiveBytes(TransferHelper& helper, std::uint32_t length) {
    Bytes buffer(length, 0);
    std::int32_t received = 0;
    try {
        received = helper.receive(buffer, length);
    } catch (const BusException&) {
        throw ProtocolException("Failed to read from bus.");
    }
    buffer.resize(static_cast<std::size_t>(std::clamp<std::int64_t>(received, 0, length)));
    return buffer;
}

// The reply's header, or none when it cannot be read.
std::optional<FBPMessage> readHeader(const Bytes& bytes) {
    try {
        return FBPMessage::parseHeaderFromBytes(bytes);
    } catch (const IllegalArgumentException&) {
        return std::nullopt;
    }
}

bool answers(const FBPMessage& reply, std::uint32_t messageType) {
    return (reply.getFlags() & FBPMessage::FBP_FLAG_NACK) == 0 &&
           reply.getMessageType() == messageType;
}

}  // namespace

FBPTransaction::FBPTransaction(std::uint32_t messageType, std::size_t requestLength)
    : messageType(messageType), payload(requestLength, 0) {
    ownedHints.push_back(std::make_unique<FBPControlHint>());
    hints.push_back(ownedHints.back().get());
}

std::optional<Bytes> FBPTransaction::queryDevice(TransferHelper& helper, std::uint32_t type,
                                                 const Bytes& data) {
    FBPMessage request;
    request.setMessageType(type);
    request.setData(data);
    sendMessage(helper, request);

    Bytes reply = receiveBytes(helper, FBPMessage::MINIMUM_LENGTH);
    const std::optional<FBPMessage> header = readHeader(reply);
    // The rest of a refused or foreign reply stays unread.
    if (!header || !answers(*header, type)) return std::nullopt;

    const std::uint32_t rest = header->getBytesRemaining() -
                               static_cast<std::uint32_t>(FBPMessage::CHECKSUM_LENGTH +
                                                          FBPMessage::FOOTER_LENGTH);
    if (rest > MAX_REPLY_PAYLOAD_LENGTH) throw ProtocolException("Failed to parse extended message");
    // After a short first read the rest would land at the wrong offsets: the reply is broken.
    if (rest > 0 && reply.size() == FBPMessage::MINIMUM_LENGTH) {
        const Bytes tail = receiveBytes(helper, rest);
        reply.insert(reply.end(), tail.begin(), tail.end());
    }
    try {
        return FBPMessage::parseByteStream(reply).getData();
    } catch (const IllegalArgumentException&) {
        throw ProtocolException("Failed to parse extended message");
    }
}

bool FBPTransaction::sendCommandToDevice(TransferHelper& helper, std::uint32_t type,
                                         const Bytes& data) {
    FBPMessage request;
    request.setMessageType(type);
    request.setFlags(FBPMessage::FBP_FLAG_ACK_REQUESTED);
    request.setData(data);
    sendMessage(helper, request);

    // Only the 64 bytes of a plain acknowledgement are read, whatever the reply says it holds.
    const std::optional<FBPMessage> header =
        readHeader(receiveBytes(helper, FBPMessage::MINIMUM_LENGTH));
    if (!header || !answers(*header, type)) return false;
    if ((header->getFlags() & FBPMessage::FBP_FLAG_ACK) != 0) return true;
    throw ProtocolException("Illegal device response");
}

std::optional<Bytes> FBPQuery::queryDevice(TransferHelper& helper) {
    return queryDevice(helper, messageType, payload);
}

bool FBPCommand::sendCommandToDevice(TransferHelper& helper) {
    return sendCommandToDevice(helper, messageType, payload);
}

}  // namespace spectro::framedBinaryProtocol
