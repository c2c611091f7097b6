#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "device/common/Feature.h"
#include "device/features/EEPROMSlotFeature.h"

namespace spectro {

class SerialNumberFeatureInterface : public virtual Feature {
  public:
    // Takes protocol and bus so that devices which report the length can be asked.
    virtual std::uint8_t getSerialNumberMaximumLength(const Protocol& protocol, const Bus& bus) = 0;
    virtual std::string readSerialNumber(const Protocol& protocol, const Bus& bus) = 0;
};

// The serial number of a legacy device, kept in information slot 0.
class SerialNumberEEPROMSlotFeature : public SerialNumberFeatureInterface,
                                      public EEPROMSlotFeatureBase {
  public:
    static constexpr unsigned int SERIAL_NUMBER_SLOT = 0;

    using EEPROMSlotFeatureBase::EEPROMSlotFeatureBase;

    // Always 15 (the slot length).
    std::uint8_t getSerialNumberMaximumLength(const Protocol& protocol, const Bus& bus) override;
    // The slot's bytes up to and including the first zero byte, which stays part of the
    // text; all of the bytes received when there is no zero byte.
    std::string readSerialNumber(const Protocol& protocol, const Bus& bus) override;
    FeatureFamily getFeatureFamily() override;
};

// The serial number asked of a protocol implementation (Framed Binary Protocol devices).
class SerialNumberFeature : public SerialNumberFeatureInterface, public FeatureImpl {
  public:
    explicit SerialNumberFeature(std::unique_ptr<ProtocolHelper> implementation);

    std::uint8_t getSerialNumberMaximumLength(const Protocol& protocol, const Bus& bus) override;
    std::string readSerialNumber(const Protocol& protocol, const Bus& bus) override;
    FeatureFamily getFeatureFamily() override;
};

}  // namespace spectro
