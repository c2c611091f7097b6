#include "device/features/ThermoElectricFeature.h"

#include "device/features/EEPROMSlotFeature.h"

namespace spectro {

ThermoElectricFeatureBase::ThermoElectricFeatureBase(std::unique_ptr<ProtocolHelper> implementation)
    : FeatureImpl(std::move(implementation)) {}

void ThermoElectricFeatureBase::setThermoElectricEnable(const Protocol& protocol, const Bus& bus,
                                                        bool enable) {
    forward<ThermoElectricProtocolInterface>(
        protocol, "Could not find matching protocol implementation to set thermoelectric state.",
        [&](auto& cooler) { cooler.setTECEnable(bus, enable); });
}

double ThermoElectricFeatureBase::getTemperatureCelsius(const Protocol& protocol, const Bus& bus) {
    return forward<ThermoElectricProtocolInterface>(
        protocol, "Could not find matching protocol implementation to read TE temperature.",
        [&](auto& cooler) { return cooler.readTECTemperature(bus); });
}

void ThermoElectricFeatureBase::setTemperatureSetPointCelsius(const Protocol& protocol,
                                                              const Bus& bus, double degrees) {
    forward<ThermoElectricProtocolInterface>(
        protocol, "Could not find matching protocol implementation to set TEC temperature.",
        [&](auto& cooler) { cooler.setTECSetPoint(bus, degrees); });
}

FeatureFamily ThermoElectricFeatureBase::getFeatureFamily() {
    return api::FeatureFamilies().THERMOELECTRIC;
}

ThermoElectricQEFeature::ThermoElectricQEFeature(std::unique_ptr<ProtocolHelper> implementation)
    : ThermoElectricFeatureBase(std::move(implementation)) {}

std::vector<std::uint8_t> ThermoElectricQEFeature::readDefaults(const Protocol& protocol,
                                                                const Bus& bus) {
    EEPROMSlotFeature slots(18);
    std::vector<std::uint8_t> defaults = slots.readEEPROMSlot(protocol, bus, DEFAULTS_SLOT);
    // Four bytes are needed; a shorter reply holds no settings.
    if (defaults.size() < 4 || defaults[0] > 1 || defaults[1] > 1) {
        throw FeatureException("No default TEC settings found.");
    }
    return defaults;
}

double ThermoElectricQEFeature::getDefaultSetPointCelsius(const Protocol& protocol,
                                                          const Bus& bus) {
    const std::vector<std::uint8_t> defaults = readDefaults(protocol, bus);
    const auto tenths = static_cast<std::int16_t>(defaults[2] | (defaults[3] << 8));
    return tenths / 10.0;
}

bool ThermoElectricQEFeature::getDefaultThermoElectricEnable(const Protocol& protocol,
                                                             const Bus& bus) {
    return readDefaults(protocol, bus)[0] != 0;
}

bool ThermoElectricQEFeature::initialize(const Protocol& protocol, const Bus& bus) {
    try {
        const bool enable = getDefaultThermoElectricEnable(protocol, bus);
        const double setPoint = getDefaultSetPointCelsius(protocol, bus);
        setThermoElectricEnable(protocol, bus, enable);
        setTemperatureSetPointCelsius(protocol, bus, setPoint);
    } catch (const FeatureException&) {
        return false;
    } catch (const IllegalArgumentException&) {
        return false;
    }
    return true;
}

}  // namespace spectro
