#include "device/features/WaveCalFeature.h"

namespace spectro {

std::vector<double> evaluateWavelengthPolynomial(const std::vector<double>& coefficients,
                                                 std::size_t pixels, double offset) {
    std::vector<double> wavelengths(pixels, 0.0);
    for (std::size_t i = 0; i < pixels; ++i) {
        const double x = static_cast<double>(i) + offset;
        double power = 1.0;
        double sum = 0.0;
        for (double coefficient : coefficients) {
            sum += coefficient * power;
            power *= x;
        }
        wavelengths[i] = sum;
    }
    return wavelengths;
}

WavelengthEEPROMSlotFeature::WavelengthEEPROMSlotFeature(unsigned int numberOfPixels)
    : numberOfPixels(numberOfPixels) {}

WavelengthEEPROMSlotFeature::WavelengthEEPROMSlotFeature(
    unsigned int numberOfPixels, std::unique_ptr<ProtocolHelper> implementation)
    : EEPROMSlotFeatureBase(std::move(implementation)), numberOfPixels(numberOfPixels) {}

std::vector<double> WavelengthEEPROMSlotFeature::getWavelengths(const Protocol& protocol,
                                                                const Bus& bus) {
    std::vector<double> coefficients(COEFFICIENT_COUNT, 0.0);
    try {
        for (unsigned int k = 0; k < COEFFICIENT_COUNT; ++k) {
            coefficients[k] = readDouble(protocol, bus, FIRST_COEFFICIENT_SLOT + k);
        }
    } catch (const NumberFormatException&) {
        coefficients = {0.0, 1.0, 0.0, 0.0};
    }
    return evaluateWavelengthPolynomial(coefficients, numberOfPixels, pixelOffset());
}

FeatureFamily WavelengthEEPROMSlotFeature::getFeatureFamily() {
    return api::FeatureFamilies().WAVELENGTH_CAL;
}

WaveCalFeature::WaveCalFeature(std::unique_ptr<ProtocolHelper> implementation,
                               unsigned int numberOfPixels)
    : FeatureImpl(std::move(implementation)), numberOfPixels(numberOfPixels) {}

std::vector<double> WaveCalFeature::getWavelengths(const Protocol& protocol, const Bus& bus) {
    const std::vector<double> coefficients = forward<WaveCalProtocolInterface>(
        protocol, "Could not find matching protocol implementation to get wavelength calibration.",
        [&](auto& waveCal) { return waveCal.readWavelengthCoeffs(bus); });
    return evaluateWavelengthPolynomial(coefficients, numberOfPixels);
}

FeatureFamily WaveCalFeature::getFeatureFamily() { return api::FeatureFamilies().WAVELENGTH_CAL; }

}  // namespace spectro
