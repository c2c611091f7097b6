#pragma once

#include <cstdint>

#include "device/common/Protocol.h"
#include "device/protocols/ProtocolInterfaces.h"

namespace spectro::framedBinaryProtocol {

// The unit's spectrum buffer over the framed protocol. There is one buffer, index 0; any other
// index is refused before anything is sent.
class FBPDataBufferProtocol : public DataBufferProtocolInterface, public ProtocolHelper {
  public:
    FBPDataBufferProtocol();
    void clearBuffer(const Bus& bus, std::uint8_t index) override;
    std::uint32_t getNumberOfElements(const Bus& bus, std::uint8_t index) override;
    std::uint32_t getBufferCapacity(const Bus& bus, std::uint8_t index) override;
    // 1, without asking the unit.
    std::uint32_t getBufferCapacityMinimum(const Bus& bus, std::uint8_t index) override;
    std::uint32_t getBufferCapacityMaximum(const Bus& bus, std::uint8_t index) override;
    void setBufferCapacity(const Bus& bus, std::uint8_t index, std::uint32_t capacity) override;
};

}  // namespace spectro::framedBinaryProtocol
