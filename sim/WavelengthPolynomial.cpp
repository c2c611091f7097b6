#include "sim/WavelengthPolynomial.h"

namespace spectro::sim {

std::array<double, 4> wavelengthPolynomial(int pixels, double firstWavelength,
                                           double lastWavelength, int origin) {
    const double n = pixels - 1;
    const double span = lastWavelength - firstWavelength;
    // In u = pixel: first + a u + b u^2 + d u^3, with a small bend and reaching `last` at n.
    const double b = -0.02 * span / (n * n);
    const double d = 0.002 * span / (n * n * n);
    const double a = (span - b * n * n - d * n * n * n) / n;
    const double o = origin;  // u = x + o
    return {firstWavelength + a * o + b * o * o + d * o * o * o, a + 2 * b * o + 3 * d * o * o,
            b + 3 * d * o, d};
}

}  // namespace spectro::sim
