#include "device/protocols/fbp/FBPDataBufferProtocol.h"

#include "device/protocols/fbp/FBPCatalogue.h"
#include "device/protocols/fbp/FBPProtocolSupport.h"

namespace spectro::framedBinaryProtocol {

namespace {

using namespace support;

void checkBufferIndex(std::uint8_t index) {
    if (index != 0) {
        throw ProtocolException(
            "This protocol only supports a single buffer.  The buffer index should be zero.");
    }
}

template <class Query>
std::uint32_t askU32(const Bus& bus, std::uint8_t index, const char* shortRead) {
    checkBufferIndex(index);
    Query query;
    return readU32(askAtLeast(bus, query, 4, shortRead).data());
}

}  // namespace

FBPDataBufferProtocol::FBPDataBufferProtocol()
    : ProtocolHelper(std::make_unique<FramedBinaryProtocol>()) {}

void FBPDataBufferProtocol::clearBuffer(const Bus& bus, std::uint8_t index) {
    checkBufferIndex(index);
    FBPDataBufferClearExchange command;
    tellOrThrow(bus, command,
                "Device rejected buffer clear command.  Is it supported in this hardware?");
}

std::uint32_t FBPDataBufferProtocol::getNumberOfElements(const Bus& bus, std::uint8_t index) {
    return askU32<FBPGetDataBufferElementCountExchange>(
        bus, index, "Got a short read when querying element count.");
}

std::uint32_t FBPDataBufferProtocol::getBufferCapacity(const Bus& bus, std::uint8_t index) {
    return askU32<FBPGetDataBufferCapacityExchange>(bus, index,
                                                    "Got a short read when querying capacity.");
}

std::uint32_t FBPDataBufferProtocol::getBufferCapacityMinimum(const Bus&, std::uint8_t index) {
    checkBufferIndex(index);
    return 1;
}

std::uint32_t FBPDataBufferProtocol::getBufferCapacityMaximum(const Bus& bus, std::uint8_t index) {
    return askU32<FBPGetDataBufferMaximumCapacityExchange>(
        bus, index, "Got a short read when querying maxCapacity.");
}

void FBPDataBufferProtocol::setBufferCapacity(const Bus& bus, std::uint8_t index,
                                              std::uint32_t capacity) {
    checkBufferIndex(index);
    FBPSetDataBufferCapacityExchange command;
    command.setPayload(u32Bytes(capacity));
    tell(bus, command);  // the unit's acknowledgement is not examined
}

}  // namespace spectro::framedBinaryProtocol
