#include "device/protocols/fbp/FBPCatalogue.h"

namespace spectro::framedBinaryProtocol {

namespace {

// Module and light source indices go out as their low 8 bits; the protocol checks them first.
Bytes lightSource(int module, int source) {
    return {static_cast<std::uint8_t>(module), static_cast<std::uint8_t>(source)};
}

}  // namespace

void FBPIntegrationTimeExchange::setIntegrationTimeMicros(std::uint32_t micros) {
    integrationTimeUnits = micros / integrationTimeBase;
    payload = u32Bytes(integrationTimeUnits);
}

void FBPTriggerModeExchange::setTriggerMode(std::int32_t mode) {
    payload = {static_cast<std::uint8_t>(mode & 0xFF)};
}

void FBPLightSourceEnabledQuery::setLightSource(int module, int source) {
    payload = lightSource(module, source);
}

void FBPLightSourceEnableCommand::setLightSourceEnable(int module, int source, bool enable) {
    payload = lightSource(module, source);
    payload.push_back(enable ? 1 : 0);
}

void FBPLightSourceIntensityQuery::setLightSource(int module, int source) {
    payload = lightSource(module, source);
}

void FBPLightSourceIntensityCommand::setLightSourceIntensity(int module, int source,
                                                             double intensity) {
    payload = lightSource(module, source);
    appendF32(payload, static_cast<float>(intensity));
}

}  // namespace spectro::framedBinaryProtocol
