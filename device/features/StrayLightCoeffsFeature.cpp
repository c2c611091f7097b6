#include "device/features/StrayLightCoeffsFeature.h"

#include <sstream>

namespace spectro {

namespace {

// Where the second number's text starts: just after the first zero byte that is followed
// by neither 0x00 nor 0xFF.
std::optional<std::size_t> secondNumberStart(const std::vector<std::uint8_t>& contents) {
    for (std::size_t i = 0; i + 1 < contents.size(); ++i) {
        if (contents[i] == 0x00 && contents[i + 1] != 0x00 && contents[i + 1] != 0xFF) return i + 1;
    }
    return std::nullopt;
}

// Unparsable text gives 0, as for the first number; the failure only goes to the trace.
double parseSecondNumber(const std::string& text) {
    std::istringstream stream(text);
    double value = 0.0;
    if (!(stream >> value)) return 0.0;  // "Error converting NLC coefficient [%s] to double"
    return value;
}

}  // namespace

std::optional<std::vector<double>> StrayLightEEPROMSlotFeature::getStrayLightCoefficients(
    const Protocol& protocol, const Bus& bus) {
    std::optional<std::vector<std::uint8_t>> contents;
    try {
        contents = readSlotContents(protocol, bus, STRAY_LIGHT_SLOT);
    } catch (const IllegalArgumentException&) {
        throw FeatureException("Internal error: stray light slot invalid.");
    }
    if (!contents) throw FeatureControlException("Could not read EEPROM slot for stray light.");

    const std::optional<std::size_t> second = secondNumberStart(*contents);
    std::vector<double> coefficients(second ? 2 : 1, 0.0);
    try {
        coefficients[0] = readDouble(protocol, bus, STRAY_LIGHT_SLOT);
    } catch (const NumberFormatException&) {
        coefficients[0] = 0.0;
    }
    if (second) {
        coefficients[1] = parseSecondNumber(slotText(*contents, *second, SECOND_NUMBER_LENGTH));
    }
    return coefficients;
}

FeatureFamily StrayLightEEPROMSlotFeature::getFeatureFamily() {
    return api::FeatureFamilies().STRAY_LIGHT_COEFFS;
}

StrayLightCoeffsFeature::StrayLightCoeffsFeature(std::unique_ptr<ProtocolHelper> implementation)
    : FeatureImpl(std::move(implementation)) {}

std::optional<std::vector<double>> StrayLightCoeffsFeature::getStrayLightCoefficients(
    const Protocol& protocol, const Bus& bus) {
    return forward<StrayLightCoeffsProtocolInterface>(
        protocol, "Could not find matching protocol implementation to get stray light calibration.",
        [&](auto& strayLight) { return strayLight.readStrayLightCoeffs(bus); });
}

FeatureFamily StrayLightCoeffsFeature::getFeatureFamily() {
    return api::FeatureFamilies().STRAY_LIGHT_COEFFS;
}

}  // namespace spectro
