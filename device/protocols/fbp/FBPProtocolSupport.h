#pragma once

// The steps every framed-protocol implementation shares: finding the bus's helper for a query
// or command, running it, and reading values out of a reply without touching bytes that did
// not arrive. A reply too short for the value read is handled like a missing reply.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "device/common/Bus.h"
#include "device/common/Exceptions.h"
#include "device/protocols/fbp/FBPBytes.h"
#include "device/protocols/fbp/FBPTransaction.h"

namespace spectro::framedBinaryProtocol::support {

// The bus's helper for the transaction's hints, or ProtocolBusMismatchException.
inline TransferHelper& helperFor(const Bus& bus, const FBPTransaction& transaction) {
    TransferHelper* helper = bus.getHelper(transaction.getHints());
    if (helper == nullptr) {
        throw ProtocolBusMismatchException(
            "Failed to find a helper to bridge given protocol and bus.");
    }
    return *helper;
}

// The reply's data, or none when the device gave no reply of the query's type.
inline std::optional<Bytes> ask(const Bus& bus, FBPQuery& query) {
    return query.queryDevice(helperFor(bus, query));
}

// The reply's data when it holds at least `minimum` bytes; otherwise `missing` is thrown.
inline Bytes askAtLeast(const Bus& bus, FBPQuery& query, std::size_t minimum,
                        const char* missing) {
    std::optional<Bytes> reply = ask(bus, query);
    if (!reply || reply->size() < minimum) throw ProtocolException(missing);
    return std::move(*reply);
}

// True when the device acknowledged the command.
inline bool tell(const Bus& bus, FBPCommand& command) {
    return command.sendCommandToDevice(helperFor(bus, command));
}

// A command whose refusal is an error.
inline void tellOrThrow(const Bus& bus, FBPCommand& command, const char* refused) {
    if (!tell(bus, command)) throw ProtocolException(refused);
}

// Text up to the first zero byte, or the whole reply when it has none.
inline std::string textOf(const Bytes& reply) {
    std::string text;
    for (std::uint8_t byte : reply) {
        if (byte == 0) break;
        text.push_back(static_cast<char>(byte));
    }
    return text;
}

}  // namespace spectro::framedBinaryProtocol::support
