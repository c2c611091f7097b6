#include "device/features/STSPixelBinningFeature.h"

#include "device/common/Exceptions.h"
#include "device/common/FeatureFamilies.h"
#include "device/protocols/ProtocolInterfaces.h"

namespace spectro {

namespace {

constexpr const char* NO_SET_PROTOCOL =
    "Could not find matching protocol implementation to set pixel binning factor.";
constexpr const char* NO_READ_PROTOCOL =
    "Could not find matching protocol implementation to read pixel binning factor.";

void refuseImpossibleFactor(std::uint8_t factor) {
    if (factor > STSSpectrometerFeature::MAXIMUM_BINNING_FACTOR)
        throw FeatureException(STSPixelBinningFeature::UNSUPPORTED_FACTOR);
}

void refuseAboveMaximum(PixelBinningProtocolInterface& binning, const Bus& bus,
                        std::uint8_t factor) {
    if (binning.readMaxPixelBinningFactor(bus) < factor)
        throw FeatureException(STSPixelBinningFeature::UNSUPPORTED_FACTOR);
}

}  // namespace

STSPixelBinningFeature::STSPixelBinningFeature(std::unique_ptr<ProtocolHelper> implementation,
                                               STSSpectrometerFeature* spectrometerFeature)
    : FeatureImpl(std::move(implementation)), spectrometerFeature(spectrometerFeature) {}

void STSPixelBinningFeature::setPixelBinningFactor(const Protocol& protocol, const Bus& bus,
                                                   std::uint8_t factor) {
    forward<PixelBinningProtocolInterface>(protocol, NO_SET_PROTOCOL, [&](auto& binning) {
        refuseImpossibleFactor(factor);
        refuseAboveMaximum(binning, bus, factor);
        binning.writePixelBinningFactor(bus, factor);
        // Only a factor the unit took reaches the host's pixel count and read lengths.
        if (spectrometerFeature != nullptr) spectrometerFeature->setBinningFactor(factor);
    });
}

std::uint8_t STSPixelBinningFeature::getPixelBinningFactor(const Protocol& protocol,
                                                           const Bus& bus) {
    return forward<PixelBinningProtocolInterface>(
        protocol, NO_READ_PROTOCOL,
        [&](auto& binning) { return binning.readPixelBinningFactor(bus); });
}

void STSPixelBinningFeature::resetDefaultPixelBinningFactor(const Protocol& protocol,
                                                            const Bus& bus) {
    forward<PixelBinningProtocolInterface>(
        protocol, NO_SET_PROTOCOL,
        [&](auto& binning) { binning.resetDefaultPixelBinningFactor(bus); });
}

void STSPixelBinningFeature::setDefaultPixelBinningFactor(const Protocol& protocol,
                                                          const Bus& bus, std::uint8_t factor) {
    forwardPlain<PixelBinningProtocolInterface>(protocol, [&](auto& binning) {
        refuseImpossibleFactor(factor);
        refuseAboveMaximum(binning, bus, factor);
        binning.writeDefaultPixelBinningFactor(bus, factor);
    });
}

std::uint8_t STSPixelBinningFeature::getDefaultPixelBinningFactor(const Protocol& protocol,
                                                                  const Bus& bus) {
    return forwardPlain<PixelBinningProtocolInterface>(
        protocol, [&](auto& binning) { return binning.readDefaultPixelBinningFactor(bus); });
}

std::uint8_t STSPixelBinningFeature::getMaxPixelBinningFactor(const Protocol& protocol,
                                                              const Bus& bus) {
    return forwardPlain<PixelBinningProtocolInterface>(
        protocol, [&](auto& binning) { return binning.readMaxPixelBinningFactor(bus); });
}

FeatureFamily STSPixelBinningFeature::getFeatureFamily() {
    return api::FeatureFamilies().PIXEL_BINNING;
}

}  // namespace spectro
