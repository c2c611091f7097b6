#pragma once

#include <cstdint>
#include <vector>

#include "device/common/Feature.h"

namespace spectro {

class RawUSBBusAccessFeatureInterface : public virtual Feature {
  public:
    // One pipe read of `length` bytes; the vector always holds `length` bytes (zero where the
    // unit sent fewer).
    virtual std::vector<std::uint8_t> readUSB(const Protocol& protocol, const Bus& bus,
                                              std::uint8_t endpoint, std::uint32_t length) = 0;
    // One pipe write of all the bytes; returns the count the platform reports.
    virtual std::int32_t writeUSB(const Protocol& protocol, const Bus& bus, std::uint8_t endpoint,
                                  const std::vector<std::uint8_t>& bytes) = 0;
};

// Direct pipe access on the bus's platform USB object, past every protocol. A transfer that
// moves nothing (or a bus that is not a USB bus) throws FeatureControlException
// "Caught BusTransferException in readUSB: " / "... in writeUSB: " plus the bus message.
class RawUSBBusAccessFeature : public RawUSBBusAccessFeatureInterface, public FeatureImpl {
  public:
    std::vector<std::uint8_t> readUSB(const Protocol& protocol, const Bus& bus,
                                      std::uint8_t endpoint, std::uint32_t length) override;
    std::int32_t writeUSB(const Protocol& protocol, const Bus& bus, std::uint8_t endpoint,
                          const std::vector<std::uint8_t>& bytes) override;
    FeatureFamily getFeatureFamily() override;
};

}  // namespace spectro
