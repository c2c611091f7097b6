#include "device/common/Exchange.h"

#include <algorithm>
#include <utility>

#include "device/common/Bus.h"
#include "device/common/Exceptions.h"

namespace spectro {

void Exchange::addHint(std::unique_ptr<ProtocolHint> hint) {
    hints.push_back(hint.get());
    ownedHints.push_back(std::move(hint));
}

void Exchange::referHints(const HintList& borrowed) {
    hints.insert(hints.end(), borrowed.begin(), borrowed.end());
}

Transfer::Transfer(std::vector<std::unique_ptr<ProtocolHint>> hintList,
                   std::vector<std::uint8_t> bytes, int direction, std::uint32_t length)
    : length(length), buffer(std::move(bytes)), direction(direction) {
    if (buffer.size() < length) buffer.resize(length, 0);
    for (auto& hint : hintList) addHint(std::move(hint));
}

Transfer::Transfer(std::unique_ptr<ProtocolHint> hint, int direction, std::uint32_t length)
    : length(length), buffer(length, 0), direction(direction) {
    addHint(std::move(hint));
}

std::unique_ptr<Data> Transfer::transfer(TransferHelper& helper) {
    switch (direction) {
        case TO_DEVICE:
            try {
                helper.send(buffer, length);
            } catch (const BusException&) {
                throw ProtocolException("Failed to write to bus.");
            }
            return nullptr;
        case FROM_DEVICE:
            receive(helper);
            // Only what arrived: the rest of the buffer still holds an earlier reply, which must
            // never pass for this one.
            return std::make_unique<ByteVector>(std::vector<std::uint8_t>(
                buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(receivedLength)));
        default:
            throw ProtocolException("Invalid transfer direction specified.");
    }
}

std::uint32_t Transfer::receive(TransferHelper& helper) {
    std::int32_t received = 0;
    try {
        received = helper.receive(buffer, length);
    } catch (const BusException&) {
        throw ProtocolException("Failed to read from bus.");
    }
    receivedLength = static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(received, 0, std::min<std::int64_t>(length, buffer.size())));
    return receivedLength;
}

std::unique_ptr<Data> Transaction::transfer(TransferHelper& helper) {
    std::unique_ptr<Data> result;
    for (auto& step : transfers) {
        result.reset();
        result = step->transfer(helper);
    }
    return result;
}

void Transaction::addTransfer(std::unique_ptr<Transfer> transfer) {
    referHints(transfer->getHints());
    transfers.push_back(std::move(transfer));
}

TransferHelper& findTransferHelper(const Bus& bus, const Exchange& exchange) {
    TransferHelper* helper = bus.getHelper(exchange.getHints());
    if (helper == nullptr) {
        throw ProtocolBusMismatchException(
            "Failed to find a helper to bridge given protocol and bus.");
    }
    return *helper;
}

std::unique_ptr<Data> runExchange(const Bus& bus, Exchange& exchange) {
    return exchange.transfer(findTransferHelper(bus, exchange));
}

}  // namespace spectro
