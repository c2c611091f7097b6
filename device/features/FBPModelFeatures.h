#pragma once

// The auxiliary features whose framed-binary models give them constants of their own.

#include <cstdint>
#include <memory>

#include "device/features/FPGAFeatures.h"
#include "device/features/ForwardingFeatures.h"
#include "device/features/LightSourceFeature.h"
#include "device/features/ThermoElectricFeature.h"

namespace spectro {

// The STS trigger delay: 0 to 335500 microseconds in steps of 1.
class STSAcquisitionDelayFeature : public AcquisitionDelayFeature {
  public:
    explicit STSAcquisitionDelayFeature(std::unique_ptr<ProtocolHelper> implementation);

    std::uint32_t getAcquisitionDelayIncrementMicroseconds(const Protocol& protocol,
                                                           const Bus& bus) override;
    std::uint32_t getAcquisitionDelayMaximumMicroseconds(const Protocol& protocol,
                                                         const Bus& bus) override;
    std::uint32_t getAcquisitionDelayMinimumMicroseconds(const Protocol& protocol,
                                                         const Bus& bus) override;
};

// The QE-PRO keeps one spectrum buffer.
class QEProDataBufferFeature : public DataBufferFeatureBase {
  public:
    explicit QEProDataBufferFeature(std::unique_ptr<ProtocolHelper> implementation);
};

// The QE-PRO cooler: on by default, set point -10 degrees Celsius.
class QEProThermoElectricFeature : public ThermoElectricFeatureBase {
  public:
    using ThermoElectricFeatureBase::ThermoElectricFeatureBase;
    double getDefaultSetPointCelsius(const Protocol& protocol, const Bus& bus) override;
    bool getDefaultThermoElectricEnable(const Protocol& protocol, const Bus& bus) override;
};

// The Ventana cooler: off by default, set point 15 degrees Celsius.
class VentanaThermoElectricFeature : public ThermoElectricFeatureBase {
  public:
    using ThermoElectricFeatureBase::ThermoElectricFeatureBase;
    double getDefaultSetPointCelsius(const Protocol& protocol, const Bus& bus) override;
    bool getDefaultThermoElectricEnable(const Protocol& protocol, const Bus& bus) override;
};

// The Ventana's one light source (module 0). It is there when the unit answers whether the
// source is on.
class VentanaLightSourceFeature : public LightSourceFeatureImpl {
  public:
    explicit VentanaLightSourceFeature(std::unique_ptr<ProtocolHelper> implementation);
    bool initialize(const Protocol& protocol, const Bus& bus) override;
};

}  // namespace spectro
