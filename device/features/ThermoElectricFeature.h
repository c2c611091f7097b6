#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "device/common/Feature.h"
#include "device/protocols/ProtocolInterfaces.h"

namespace spectro {

class ThermoElectricFeatureInterface : public virtual Feature {
  public:
    virtual void setThermoElectricEnable(const Protocol& protocol, const Bus& bus, bool enable) = 0;
    virtual double getTemperatureCelsius(const Protocol& protocol, const Bus& bus) = 0;
    virtual void setTemperatureSetPointCelsius(const Protocol& protocol, const Bus& bus,
                                               double degrees) = 0;
    virtual double getDefaultSetPointCelsius(const Protocol& protocol, const Bus& bus) = 0;
    virtual bool getDefaultThermoElectricEnable(const Protocol& protocol, const Bus& bus) = 0;
};

// The cooler, driven through its protocol implementation; models give the defaults.
class ThermoElectricFeatureBase : public ThermoElectricFeatureInterface, public FeatureImpl {
  public:
    explicit ThermoElectricFeatureBase(std::unique_ptr<ProtocolHelper> implementation);

    void setThermoElectricEnable(const Protocol& protocol, const Bus& bus, bool enable) override;
    double getTemperatureCelsius(const Protocol& protocol, const Bus& bus) override;
    void setTemperatureSetPointCelsius(const Protocol& protocol, const Bus& bus,
                                       double degrees) override;
    FeatureFamily getFeatureFamily() override;
};

// The cooler of the QE65000 and NIRQuest models, whose defaults are kept in information
// slot 17: byte 0 the enable flag, bytes 2 (low) and 3 (high) the set point in tenths of a
// degree. The defaults are applied when the device is initialised.
class ThermoElectricQEFeature : public ThermoElectricFeatureBase {
  public:
    static constexpr unsigned int DEFAULTS_SLOT = 17;

    explicit ThermoElectricQEFeature(std::unique_ptr<ProtocolHelper> implementation);

    // Applies the defaults; false when any step fails with a feature or argument error.
    bool initialize(const Protocol& protocol, const Bus& bus) override;
    double getDefaultSetPointCelsius(const Protocol& protocol, const Bus& bus) override;
    bool getDefaultThermoElectricEnable(const Protocol& protocol, const Bus& bus) override;

  private:
    std::vector<std::uint8_t> readDefaults(const Protocol& protocol, const Bus& bus);
};

}  // namespace spectro
