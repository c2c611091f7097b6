#include "device/features/SpectrometerModelFeatures.h"

#include <algorithm>

namespace spectro {

namespace {
const SpectrometerConstants& hR2000PlusConstants() {
    static const SpectrometerConstants constants{2048, 16383, 1000,      655350000,
                                                 1,    1000,  {{2, 23}}, {0, 1, 2, 3}};
    return constants;
}

const SpectrometerConstants& maya2000ProConstants() {
    static const SpectrometerConstants constants{
        2068, 64000, 7200, 65000000, 1, 1000, {{0, 3}, {2064, 2067}}, {0, 1, 2, 3}};
    return constants;
}

const SpectrometerConstants& mayaLSLConstants() {
    static const SpectrometerConstants constants{
        2068, 64000, 7200, 65000000, 1, 1000, {{0, 3}, {2064, 2067}}, {0, 1, 2, 3}};
    return constants;
}

const SpectrometerConstants& apexConstants() {
    static const SpectrometerConstants constants{
        2068, 64000, 15000, 1600000000, 1, 1000, {{0, 3}, {2064, 2067}}, {0}};
    return constants;
}

const SpectrometerConstants& maya2000Constants() {
    static const SpectrometerConstants constants{
        2080, 65535, 15000, 1600000000, 1, 1000, {{0, 7}, {2072, 2079}}, {0, 1, 3}};
    return constants;
}

const SpectrometerConstants& hR2000Constants() {
    static const SpectrometerConstants constants{2048, 4095, 3000,      655350000,
                                                 1000, 1000, {{2, 23}}, {0, 1, 3}};
    return constants;
}

const SpectrometerConstants& uSB2000Constants() {
    static const SpectrometerConstants constants{2048, 4095, 3000,      655350000,
                                                 1000, 1000, {{2, 23}}, {0, 1, 3}};
    return constants;
}

const SpectrometerConstants& uSB2000PlusConstants() {
    static const SpectrometerConstants constants{2048, 65535, 1000,      655350000,
                                                 1,    1000,  {{6, 20}}, {0, 1, 2, 3}};
    return constants;
}

const SpectrometerConstants& uSB4000Constants() {
    static const SpectrometerConstants constants{3648, 65535, 10,        655350000,
                                                 1,    10,    {{5, 15}}, {0, 1, 2, 3}};
    return constants;
}

const SpectrometerConstants& hR4000Constants() {
    static const SpectrometerConstants constants{3648, 16383, 10,        655350000,
                                                 1,    10,    {{2, 12}}, {0, 1, 2, 3}};
    return constants;
}

const SpectrometerConstants& jazConstants() {
    static const SpectrometerConstants constants{2048, 65535, 1000,      655350000,
                                                 1,    1000,  {{2, 23}}, {0, 1, 2, 3}};
    return constants;
}

const SpectrometerConstants& qE65000Constants() {
    static const SpectrometerConstants constants{
        1044, 65535, 8000, 1600000000, 1000, 1000, {{0, 3}, {1040, 1043}}, {0, 1, 3}};
    return constants;
}

SpectrometerConstants nirQuestConstants(int pixels) {
    SpectrometerConstants constants{1, 65535, 1000, 1600000000, 1000, 1000, {}, {0, 1, 2, 3}};
    constants.numberOfPixels = pixels;
    return constants;
}

const SpectrometerConstants& flameNIRConstants() {
    static const SpectrometerConstants constants{128, 65535, 1000, 655350000,
                                                 1,   1000,  {},   {0, 1, 2, 3}};
    return constants;
}

const SpectrometerConstants& sTSConstants() {
    static const SpectrometerConstants constants{1024, 16383, 10, 85000000, 1, 1, {}, {0, 1, 2}};
    return constants;
}

const SpectrometerConstants& sparkConstants() {
    static const SpectrometerConstants constants{1024, 16383, 10, 85000000, 1, 1, {}, {0, 1, 2}};
    return constants;
}

const SpectrometerConstants& qEProConstants() {
    static const SpectrometerConstants constants{
        1044, 200000, 10000, 1600000000, 1, 1, {{0, 3}, {1040, 1043}}, {0, 1, 2, 3}};
    return constants;
}

const SpectrometerConstants& ventanaConstants() {
    static const SpectrometerConstants constants{1024, 65535, 22000, 60000000, 1, 1000, {}, {0}};
    return constants;
}

const SpectrometerConstants& blazeConstants() {
    static const SpectrometerConstants constants{2088, 65535, 1000,       60000000,
                                                 1,    1000,  {{14, 29}}, {0}};
    return constants;
}

}  // namespace

HR2000PlusSpectrometerFeature::HR2000PlusSpectrometerFeature(
    std::unique_ptr<ProtocolHelper> implementation)
    : SpectrometerFeature(hR2000PlusConstants(), std::move(implementation)) {}

Maya2000ProSpectrometerFeature::Maya2000ProSpectrometerFeature(
    std::unique_ptr<ProtocolHelper> implementation,
    std::unique_ptr<ProgrammableSaturationFeatureBase> saturation)
    : GainAdjustedSpectrometerFeature(maya2000ProConstants(), std::move(implementation),
                                      std::move(saturation)) {}

MayaLSLSpectrometerFeature::MayaLSLSpectrometerFeature(
    std::unique_ptr<ProtocolHelper> implementation,
    std::unique_ptr<ProgrammableSaturationFeatureBase> saturation)
    : GainAdjustedSpectrometerFeature(mayaLSLConstants(), std::move(implementation),
                                      std::move(saturation)) {}

ApexSpectrometerFeature::ApexSpectrometerFeature(
    std::unique_ptr<ProtocolHelper> implementation,
    std::unique_ptr<ProgrammableSaturationFeatureBase> saturation)
    : GainAdjustedSpectrometerFeature(apexConstants(), std::move(implementation),
                                      std::move(saturation)) {}

Maya2000SpectrometerFeature::Maya2000SpectrometerFeature(
    std::unique_ptr<ProtocolHelper> implementation)
    : SpectrometerFeature(maya2000Constants(), std::move(implementation)) {}

HR2000SpectrometerFeature::HR2000SpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation)
    : SpectrometerFeature(hR2000Constants(), std::move(implementation)) {}

USB2000SpectrometerFeature::USB2000SpectrometerFeature(
    std::unique_ptr<ProtocolHelper> implementation)
    : SpectrometerFeature(uSB2000Constants(), std::move(implementation)) {}

USB2000PlusSpectrometerFeature::USB2000PlusSpectrometerFeature(
    std::unique_ptr<ProtocolHelper> implementation,
    std::unique_ptr<ProgrammableSaturationFeatureBase> saturation)
    : GainAdjustedSpectrometerFeature(uSB2000PlusConstants(), std::move(implementation),
                                      std::move(saturation)) {}

USB4000SpectrometerFeature::USB4000SpectrometerFeature(
    std::unique_ptr<ProtocolHelper> implementation,
    std::unique_ptr<ProgrammableSaturationFeatureBase> saturation)
    : GainAdjustedSpectrometerFeature(uSB4000Constants(), std::move(implementation),
                                      std::move(saturation)) {}

HR4000SpectrometerFeature::HR4000SpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation)
    : SpectrometerFeature(hR4000Constants(), std::move(implementation)) {}

JazSpectrometerFeature::JazSpectrometerFeature(
    std::unique_ptr<ProtocolHelper> implementation,
    std::unique_ptr<ProgrammableSaturationFeatureBase> saturation)
    : GainAdjustedSpectrometerFeature(jazConstants(), std::move(implementation),
                                      std::move(saturation)) {}

QE65000SpectrometerFeature::QE65000SpectrometerFeature(
    std::unique_ptr<ProtocolHelper> implementation)
    : SpectrometerFeature(qE65000Constants(), std::move(implementation)) {}

NIRQuestSpectrometerFeature::NIRQuestSpectrometerFeature(
    int numberOfPixels, std::unique_ptr<ProtocolHelper> implementation,
    std::unique_ptr<ProgrammableSaturationFeatureBase> saturation)
    : GainAdjustedSpectrometerFeature(nirQuestConstants(numberOfPixels), std::move(implementation),
                                      std::move(saturation)) {}

FlameNIRSpectrometerFeature::FlameNIRSpectrometerFeature(
    std::unique_ptr<ProtocolHelper> implementation,
    std::unique_ptr<ProgrammableSaturationFeatureBase> saturation)
    : GainAdjustedSpectrometerFeature(flameNIRConstants(), std::move(implementation),
                                      std::move(saturation)) {}

STSSpectrometerFeature::STSSpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation,
                                               WaveCalProtocolFactory waveCalProtocol)
    : SpectrometerFeature(sTSConstants(), std::move(implementation), std::move(waveCalProtocol)) {}

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
