#include "device/features/SpectrometerModelFeatures.h"

#include <algorithm>

namespace spectro {

namespace {

const SpectrometerConstants& sTSConstants() {
    static const SpectrometerConstants constants{
        .numberOfPixels = 1024,
        .maxIntensity = 16383,
        .integrationTimeMinimum = 10,
        .integrationTimeMaximum = 85000000,
        .integrationTimeBase = 1,
        .integrationTimeIncrement = 1,
        .darkPixelRanges = {},
        .triggerModes = {0, 1, 2},
    };
    return constants;
}

const SpectrometerConstants& sparkConstants() {
    static const SpectrometerConstants constants{
        .numberOfPixels = 1024,
        .maxIntensity = 16383,
        .integrationTimeMinimum = 10,
        .integrationTimeMaximum = 85000000,
        .integrationTimeBase = 1,
        .integrationTimeIncrement = 1,
        .darkPixelRanges = {},
        .triggerModes = {0, 1, 2},
    };
    return constants;
}

const SpectrometerConstants& qEProConstants() {
    static const SpectrometerConstants constants{
        .numberOfPixels = 1044,
        .maxIntensity = 200000,
        .integrationTimeMinimum = 10000,
        .integrationTimeMaximum = 1600000000,
        .integrationTimeBase = 1,
        .integrationTimeIncrement = 1,
        .darkPixelRanges = {{0, 3}, {1040, 1043}},
        .triggerModes = {0, 1, 2, 3},
    };
    return constants;
}

const SpectrometerConstants& ventanaConstants() {
    static const SpectrometerConstants constants{
        .numberOfPixels = 1024,
        .maxIntensity = 65535,
        .integrationTimeMinimum = 22000,
        .integrationTimeMaximum = 60000000,
        .integrationTimeBase = 1,
        .integrationTimeIncrement = 1000,
        .darkPixelRanges = {},
        .triggerModes = {0},
    };
    return constants;
}

const SpectrometerConstants& blazeConstants() {
    static const SpectrometerConstants constants{
        .numberOfPixels = 2088,
        .maxIntensity = 65535,
        .integrationTimeMinimum = 1000,
        .integrationTimeMaximum = 60000000,
        .integrationTimeBase = 1,
        .integrationTimeIncrement = 1000,
        .darkPixelRanges = {{14, 29}},
        .triggerModes = {0},
    };
    return constants;
}

}  // namespace

const SpectrometerConstants& STSSpectrometerFeature::modelConstants() { return sTSConstants(); }
const SpectrometerConstants& SparkSpectrometerFeature::modelConstants() { return sparkConstants(); }
const SpectrometerConstants& QEProSpectrometerFeature::modelConstants() { return qEProConstants(); }
const SpectrometerConstants& VentanaSpectrometerFeature::modelConstants() { return ventanaConstants(); }
const SpectrometerConstants& BlazeSpectrometerFeature::modelConstants() { return blazeConstants(); }

STSSpectrometerFeature::STSSpectrometerFeature(
    std::unique_ptr<ProtocolHelper> implementation, WaveCalProtocolFactory waveCalProtocol,
    framedBinaryProtocol::FBPReadRawSpectrumExchange* unformattedRead,
    framedBinaryProtocol::FBPReadRawSpectrumExchange* formattedRead)
    : SpectrometerFeature(sTSConstants(), std::move(implementation), std::move(waveCalProtocol)),
      unformattedRead(unformattedRead),
      formattedRead(formattedRead) {}

SparkSpectrometerFeature::SparkSpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation,
                                                   WaveCalProtocolFactory waveCalProtocol)
    : SpectrometerFeature(sparkConstants(), std::move(implementation), std::move(waveCalProtocol)) {
}

QEProSpectrometerFeature::QEProSpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation,
                                                   WaveCalProtocolFactory waveCalProtocol)
    : SpectrometerFeature(qEProConstants(), std::move(implementation), std::move(waveCalProtocol)) {
}

VentanaSpectrometerFeature::VentanaSpectrometerFeature(
    std::unique_ptr<ProtocolHelper> implementation, WaveCalProtocolFactory waveCalProtocol)
    : SpectrometerFeature(ventanaConstants(), std::move(implementation),
                          std::move(waveCalProtocol)) {}

BlazeSpectrometerFeature::BlazeSpectrometerFeature(
    std::unique_ptr<ProtocolHelper> implementation,
    std::unique_ptr<ProgrammableSaturationFeatureBase> saturation,
    WaveCalProtocolFactory waveCalProtocol)
    : GainAdjustedSpectrometerFeature(blazeConstants(), std::move(implementation),
                                      std::move(saturation), std::move(waveCalProtocol)) {}

BlazeSpectrometerFeature::BlazeSpectrometerFeature(
    const SpectrometerProtocolFactory& implementation,
    std::unique_ptr<ProgrammableSaturationFeatureBase> saturation,
    WaveCalProtocolFactory waveCalProtocol)
    : GainAdjustedSpectrometerFeature(blazeConstants(), implementation, std::move(saturation),
                                      std::move(waveCalProtocol)) {}

std::unique_ptr<WaveCalFeatureInterface> QE65000SpectrometerFeature::createWavelengthFeature(
    unsigned int pixels) const {
    return std::make_unique<WavelengthEEPROMSlotFeature_QE65000>(pixels);
}

void STSSpectrometerFeature::setBinningFactor(std::uint8_t factor) {
    if (factor > MAXIMUM_BINNING_FACTOR) {
        throw IllegalArgumentException("Specified binning factor is not supported.");
    }
    binningFactor = factor;
    numberOfPixels = UNBINNED_PIXELS >> factor;
    const auto pixels = static_cast<std::uint32_t>(numberOfPixels);
    for (auto* read : {unformattedRead, formattedRead}) {
        if (read != nullptr) read->resize(2 * pixels + 64, pixels);
    }
}

std::vector<double> STSSpectrometerFeature::getWavelengths(const Protocol& protocol,
                                                           const Bus& bus) {
    std::vector<double> wavelengths =
        createWavelengthFeature(UNBINNED_PIXELS)->getWavelengths(protocol, bus);
    if (binningFactor == 0) return wavelengths;

    // Slot k is written only after values k*c .. k*c+c-1 were read, so the mean can be formed
    // in place.
    const std::size_t group = std::size_t{1} << binningFactor;
    const std::size_t binned = wavelengths.size() / group;
    for (std::size_t k = 0; k < binned; ++k) {
        double sum = 0.0;
        for (std::size_t j = 0; j < group; ++j) sum += wavelengths[k * group + j];
        wavelengths[k] = sum / static_cast<double>(group);
    }
    wavelengths.resize(std::min<std::size_t>(binned, static_cast<std::size_t>(numberOfPixels)));
    return wavelengths;
}

}  // namespace spectro
