#include "device/features/NonlinearityCoeffsFeature.h"

#include <exception>

namespace spectro {

std::optional<std::vector<double>> NonlinearityEEPROMSlotFeature::getNonlinearityCoefficients(
    const Protocol& protocol, const Bus& bus) {
    long order = 0;
    try {
        order = readLong(protocol, bus, ORDER_SLOT);
    } catch (const NumberFormatException&) {
        throw FeatureException("Could not get nonlinearity polynomial order.");
    }
    // The order comes from the device: never let it size the result or pick slots beyond the
    // coefficient slots.
    if (order < 0 || order > MAXIMUM_ORDER) {
        throw FeatureException("Could not get nonlinearity polynomial order.");
    }

    const auto count = static_cast<std::size_t>(order) + 1;
    std::vector<double> coefficients(count, 0.0);
    for (std::size_t k = 0; k < count; ++k) {
        try {
            coefficients[k] =
                readDouble(protocol, bus, FIRST_COEFFICIENT_SLOT + static_cast<unsigned int>(k));
        } catch (const NumberFormatException&) {
            coefficients.assign(count, 0.0);
            coefficients[0] = 1.0;
            break;
        } catch (const std::exception&) {
            coefficients[k] = 0.0;
        }
    }
    return coefficients;
}

FeatureFamily NonlinearityEEPROMSlotFeature::getFeatureFamily() {
    return api::FeatureFamilies().NONLINEARITY_COEFFS;
}

NonlinearityCoeffsFeature::NonlinearityCoeffsFeature(std::unique_ptr<ProtocolHelper> implementation)
    : FeatureImpl(std::move(implementation)) {}

std::optional<std::vector<double>> NonlinearityCoeffsFeature::getNonlinearityCoefficients(
    const Protocol& protocol, const Bus& bus) {
    return forward<NonlinearityCoeffsProtocolInterface>(
        protocol,
        "Could not find matching protocol implementation to get nonlinearity calibration.",
        [&](auto& nonlinearity) { return nonlinearity.readNonlinearityCoeffs(bus); });
}

FeatureFamily NonlinearityCoeffsFeature::getFeatureFamily() {
    return api::FeatureFamilies().NONLINEARITY_COEFFS;
}

}  // namespace spectro
