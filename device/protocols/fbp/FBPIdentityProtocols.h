#pragma once

// Framed-protocol implementations of what identifies a unit: its serial number, revisions and
// optical bench. Each builds a fresh query per call and owns a FramedBinaryProtocol identity.

#include <cstdint>
#include <string>

#include "device/common/Protocol.h"
#include "device/protocols/ProtocolInterfaces.h"

namespace spectro::framedBinaryProtocol {

class FBPSerialNumberProtocol : public SerialNumberProtocolInterface, public ProtocolHelper {
  public:
    FBPSerialNumberProtocol();
    std::string readSerialNumber(const Bus& bus) override;
    std::uint8_t readSerialNumberMaximumLength(const Bus& bus) override;
};

class FBPRevisionProtocol : public RevisionProtocolInterface, public ProtocolHelper {
  public:
    FBPRevisionProtocol();
    std::uint8_t readHardwareRevision(const Bus& bus) override;
    std::uint16_t readFirmwareRevision(const Bus& bus) override;
};

// The texts read as empty and the sizes as 0 when the unit does not answer.
class FBPOpticalBenchProtocol : public OpticalBenchProtocolInterface, public ProtocolHelper {
  public:
    FBPOpticalBenchProtocol();
    std::string readOpticalBenchID(const Bus& bus) override;
    std::string readOpticalBenchSerialNumber(const Bus& bus) override;
    std::uint16_t readOpticalBenchSlitWidthMicrons(const Bus& bus) override;
    std::uint16_t readOpticalBenchFiberDiameterMicrons(const Bus& bus) override;
    std::string readOpticalBenchGrating(const Bus& bus) override;
    std::string readOpticalBenchFilter(const Bus& bus) override;
    std::string readOpticalBenchCoating(const Bus& bus) override;
};

}  // namespace spectro::framedBinaryProtocol
