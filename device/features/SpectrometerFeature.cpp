#include "device/features/SpectrometerFeature.h"

#include <algorithm>

namespace spectro {

namespace {

const char* const GET_RAW_SPECTRUM_NOT_FOUND =
    "Could not find matching protocol implementation to get raw spectrum.";
const char* const SET_TRIGGER_MODE_NOT_FOUND =
    "Could not find matching protocol implementation to set trigger mode.";

FeatureControlException wrapped(const ProtocolException& e) {
    return FeatureControlException(std::string("Caught protocol exception: ") + e.what());
}

}  // namespace

SpectrometerFeature::SpectrometerFeature(const SpectrometerConstants& constants,
                                         std::unique_ptr<ProtocolHelper> implementation,
                                         WaveCalProtocolFactory waveCalProtocol)
    : SpectrometerFeature(constants, SpectrometerProtocolFactory{}, std::move(waveCalProtocol)) {
    if (implementation) addProtocolHelper(std::move(implementation));
}

SpectrometerFeature::SpectrometerFeature(const SpectrometerConstants& constants,
                                         const SpectrometerProtocolFactory& implementation,
                                         WaveCalProtocolFactory waveCalProtocol)
    : numberOfPixels(constants.numberOfPixels),
      maxIntensity(constants.maxIntensity),
      integrationTimeMinimum(constants.integrationTimeMinimum),
      integrationTimeMaximum(constants.integrationTimeMaximum),
      integrationTimeBase(constants.integrationTimeBase),
      integrationTimeIncrement(constants.integrationTimeIncrement),
      waveCalProtocol(std::move(waveCalProtocol)) {
    for (std::int32_t mode : constants.triggerModes) triggerModes.emplace_back(mode);
    for (const auto& [first, last] : constants.darkPixelRanges) {
        for (std::uint32_t pixel = first; pixel <= last; ++pixel) {
            electricDarkPixelIndices.push_back(pixel);
        }
    }
    if (implementation) addProtocolHelper(implementation(*this));
}

SpectrometerProtocolInterface& SpectrometerFeature::implementation(const Protocol& protocol,
                                                                   const char* notFound) const {
    return findImplementation<SpectrometerProtocolInterface>(protocol, notFound);
}

std::optional<std::vector<double>> SpectrometerFeature::getSpectrum(const Protocol& protocol,
                                                                    const Bus& bus) {
    SpectrometerProtocolInterface& spectrometer =
        implementation(protocol, GET_RAW_SPECTRUM_NOT_FOUND);
    // A failure of the request itself reaches the caller unconverted; only the read is wrapped.
    requestSpectrum(protocol, bus);
    try {
        return spectrometer.readFormattedSpectrum(bus);
    } catch (const ProtocolException& e) {
        throw wrapped(e);
    }
}

std::vector<std::uint8_t> SpectrometerFeature::getRawSpectrum(const Protocol& protocol,
                                                              const Bus& bus) {
    requestSpectrum(protocol, bus);
    return readRawSpectrum(protocol, bus);
}

std::vector<double> SpectrometerFeature::getWavelengths(const Protocol& protocol, const Bus& bus) {
    const auto pixels = static_cast<unsigned int>(std::max(numberOfPixels, 0));
    return createWavelengthFeature(pixels)->getWavelengths(protocol, bus);
}

std::unique_ptr<WaveCalFeatureInterface> SpectrometerFeature::createWavelengthFeature(
    unsigned int pixels) const {
    if (waveCalProtocol) return std::make_unique<WaveCalFeature>(waveCalProtocol(), pixels);
    return std::make_unique<WavelengthEEPROMSlotFeature>(pixels);
}

std::vector<std::uint8_t> SpectrometerFeature::readRawSpectrum(const Protocol& protocol,
                                                               const Bus& bus) {
    return forwardPlain<SpectrometerProtocolInterface>(
        protocol, [&](auto& spectrometer) { return spectrometer.readUnformattedSpectrum(bus); });
}

void SpectrometerFeature::setIntegrationTimeMicros(const Protocol& protocol, const Bus& bus,
                                                   std::uint32_t micros) {
    SpectrometerProtocolInterface& spectrometer =
        implementation(protocol, GET_RAW_SPECTRUM_NOT_FOUND);
    // With base 1000 the check is made in whole milliseconds.
    const auto base = static_cast<std::int64_t>(integrationTimeBase);
    const std::int64_t lower = integrationTimeMinimum / base;
    const std::int64_t upper = integrationTimeMaximum / base;
    const std::int64_t requested = micros / static_cast<std::uint32_t>(base);
    if (requested < lower || requested > upper) {
        throw IllegalArgumentException("Specified integration time is out of range.");
    }
    try {
        spectrometer.setIntegrationTimeMicros(bus, micros);
    } catch (const ProtocolException& e) {
        throw wrapped(e);
    }
}

void SpectrometerFeature::requestSpectrum(const Protocol& protocol, const Bus& bus) {
    forwardPlain<SpectrometerProtocolInterface>(
        protocol, [&](auto& spectrometer) { spectrometer.requestSpectrum(bus); });
}

void SpectrometerFeature::setTriggerMode(const Protocol& protocol, const Bus& bus,
                                         const SpectrometerTriggerMode& mode) {
    for (const SpectrometerTriggerMode& supported : triggerModes) {
        if (supported == mode) {
            forward<SpectrometerProtocolInterface>(
                protocol, SET_TRIGGER_MODE_NOT_FOUND,
                [&](auto& spectrometer) { spectrometer.setTriggerMode(bus, mode); });
            return;
        }
    }
    throw FeatureException("Specified trigger mode is not supported.");
}

FeatureFamily SpectrometerFeature::getFeatureFamily() {
    return api::FeatureFamilies().SPECTROMETER;
}

GainAdjustedSpectrometerFeature::GainAdjustedSpectrometerFeature(
    const SpectrometerConstants& constants, std::unique_ptr<ProtocolHelper> implementation,
    std::unique_ptr<ProgrammableSaturationFeatureBase> saturation,
    WaveCalProtocolFactory waveCalProtocol)
    : SpectrometerFeature(constants, std::move(implementation), std::move(waveCalProtocol)),
      saturationFeature(std::move(saturation)) {
    requireSaturation();
}

GainAdjustedSpectrometerFeature::GainAdjustedSpectrometerFeature(
    const SpectrometerConstants& constants, const SpectrometerProtocolFactory& implementation,
    std::unique_ptr<ProgrammableSaturationFeatureBase> saturation,
    WaveCalProtocolFactory waveCalProtocol)
    : SpectrometerFeature(constants, implementation, std::move(waveCalProtocol)),
      saturationFeature(std::move(saturation)) {
    requireSaturation();
}

void GainAdjustedSpectrometerFeature::requireSaturation() const {
    if (!saturationFeature) {
        throw IllegalArgumentException("A gain-adjusted spectrometer needs a saturation feature.");
    }
}

bool GainAdjustedSpectrometerFeature::initialize(const Protocol& protocol, const Bus& bus) {
    return saturationFeature->initialize(protocol, bus);
}

int GainAdjustedSpectrometerFeature::getSaturationLevel() {
    // Asked once per formatted spectrum: a level never read must not cost an exception each
    // time, so the cache is looked at directly.
    const std::optional<int> cached = saturationFeature->cachedSaturation();
    if (!cached) return maxIntensity;
    const int level = *cached;
    // Zero would divide by nothing, and a level above the ceiling would shrink every count.
    if (level <= 0 || level > maxIntensity) return maxIntensity;
    return level;
}

}  // namespace spectro
