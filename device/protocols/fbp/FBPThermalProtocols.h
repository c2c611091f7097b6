#pragma once

// Framed-protocol implementations of the unit's temperature sensors and its thermo-electric
// cooler. Each builds fresh exchanges per call and owns a FramedBinaryProtocol identity.

#include <cstdint>
#include <optional>
#include <vector>

#include "device/common/Protocol.h"
#include "device/protocols/ProtocolInterfaces.h"

namespace spectro::framedBinaryProtocol {

class FBPTemperatureProtocol : public TemperatureProtocolInterface, public ProtocolHelper {
  public:
    FBPTemperatureProtocol();
    std::uint8_t countTemperatures(const Bus& bus) override;
    // 0.0 when the unit gives no usable count; an index outside the count throws.
    double readTemperature(const Bus& bus, int index) override;
    // None when the unit gives no usable count.
    std::optional<std::vector<double>> readAllTemperatures(const Bus& bus) override;
};

class FBPThermoElectricProtocol : public ThermoElectricProtocolInterface, public ProtocolHelper {
  public:
    FBPThermoElectricProtocol();
    double readTECTemperature(const Bus& bus) override;
    void setTECEnable(const Bus& bus, bool enable) override;
    void setTECSetPoint(const Bus& bus, double degreesC) override;
};

}  // namespace spectro::framedBinaryProtocol
