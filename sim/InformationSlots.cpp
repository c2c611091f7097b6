#include "sim/InformationSlots.h"

#include <algorithm>
#include <cstdio>

#include "sim/ByteOrder.h"

namespace spectro::sim {

namespace {

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.8g", value);
    return text;
}

// Coefficients c0..c3 of a gently curved polynomial in x = pixel - origin that runs from the
// model's first to its last wavelength over its pixels.
std::array<double, 4> wavelengthPolynomial(const ModelTraits& model) {
    const double n = model.pixels - 1;
    const double span = model.lastWavelength - model.firstWavelength;
    // In u = pixel: first + a u + b u^2 + d u^3, with a small bend and reaching `last` at n.
    const double b = -0.02 * span / (n * n);
    const double d = 0.002 * span / (n * n * n);
    const double a = (span - b * n * n - d * n * n * n) / n;
    const double o = model.wavelengthOrigin;  // u = x + o
    return {model.firstWavelength + a * o + b * o * o + d * o * o * o,
            a + 2 * b * o + 3 * d * o * o, b + 3 * d * o, d};
}

SlotBytes slot17(const ModelTraits& model) {
    SlotBytes slot{};
    switch (model.slot17) {
        case Slot17Layout::Unused:
            break;
        case Slot17Layout::SaturationAt4:
            writeLittle16(&slot[4], 62000);
            break;
        case Slot17Layout::SaturationAt0:
            writeLittle16(&slot[0], 60000);
            break;
        case Slot17Layout::CoolerDefaults:
            slot[0] = 1;                                                // cooler on
            writeLittle16(&slot[2], static_cast<std::uint16_t>(-150));  // -15.0 degrees
            break;
        case Slot17Layout::CoolerAndSaturation32:
            slot[0] = 1;
            writeLittle16(&slot[2], static_cast<std::uint16_t>(-200));  // -20.0 degrees
            writeLittle32(&slot[4], 60000);
            break;
    }
    return slot;
}

}  // namespace

SlotBytes slotText(const std::string& text) {
    SlotBytes slot{};
    std::copy_n(text.begin(), std::min<std::size_t>(text.size(), slot.size()), slot.begin());
    return slot;
}

std::vector<SlotBytes> defaultSlots(const ModelTraits& model, const std::string& serial) {
    std::vector<SlotBytes> slots(static_cast<std::size_t>(model.slotCount), SlotBytes{});
    slots[0] = slotText(serial);
    const auto wavelength = wavelengthPolynomial(model);
    for (std::size_t k = 0; k < 4; ++k) slots[1 + k] = slotText(number(wavelength[k]));
    slots[5] = slotText("0.25");
    const double nonlinearity[8] = {0.95, 8.5e-06, -2.1e-10, 4.0e-15, 0, 0, 0, 0};
    for (std::size_t k = 0; k < 8; ++k) slots[6 + k] = slotText(number(nonlinearity[k]));
    slots[14] = slotText("7");
    slots[17] = slot17(model);
    return slots;
}

}  // namespace spectro::sim
