#include "device/features/FBPModelFeatures.h"

#include "device/common/Exceptions.h"

namespace spectro {

STSAcquisitionDelayFeature::STSAcquisitionDelayFeature(
    std::unique_ptr<ProtocolHelper> implementation)
    : AcquisitionDelayFeature(std::move(implementation)) {}

std::uint32_t STSAcquisitionDelayFeature::getAcquisitionDelayIncrementMicroseconds(const Protocol&,
                                                                                   const Bus&) {
    return 1;
}

std::uint32_t STSAcquisitionDelayFeature::getAcquisitionDelayMaximumMicroseconds(const Protocol&,
                                                                                 const Bus&) {
    return 335500;
}

std::uint32_t STSAcquisitionDelayFeature::getAcquisitionDelayMinimumMicroseconds(const Protocol&,
                                                                                 const Bus&) {
    return 0;
}

QEProDataBufferFeature::QEProDataBufferFeature(std::unique_ptr<ProtocolHelper> implementation)
    : DataBufferFeatureBase(std::move(implementation), 1) {}

double QEProThermoElectricFeature::getDefaultSetPointCelsius(const Protocol&, const Bus&) {
    return -10.0;
}

bool QEProThermoElectricFeature::getDefaultThermoElectricEnable(const Protocol&, const Bus&) {
    return true;
}

double VentanaThermoElectricFeature::getDefaultSetPointCelsius(const Protocol&, const Bus&) {
    return 15.0;
}

bool VentanaThermoElectricFeature::getDefaultThermoElectricEnable(const Protocol&, const Bus&) {
    return false;
}

VentanaLightSourceFeature::VentanaLightSourceFeature(std::unique_ptr<ProtocolHelper> implementation)
    : LightSourceFeatureImpl(std::move(implementation), 0, 1) {}

bool VentanaLightSourceFeature::initialize(const Protocol& protocol, const Bus& bus) {
    try {
        isLightSourceEnabled(protocol, bus, 0);
    } catch (const FeatureException&) {
        return false;
    }
    return true;
}

}  // namespace spectro
