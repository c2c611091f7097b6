#pragma once

#include <array>

namespace spectro::sim {

// Coefficients c0..c3 of a gently curved polynomial in x = pixel - origin that runs from the
// first to the last wavelength (nanometres) over the given number of pixels.
std::array<double, 4> wavelengthPolynomial(int pixels, double firstWavelength,
                                           double lastWavelength, int origin);

}  // namespace spectro::sim
