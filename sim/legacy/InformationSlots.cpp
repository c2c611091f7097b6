#include "sim/legacy/InformationSlots.h"

#include <algorithm>
#include <cstdio>

#include "sim/ByteOrder.h"
#include "sim/WavelengthPolynomial.h"

namespace spectro::sim {

namespace {

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.8g", value);
    return text;
}

SlotBytes slot17(const LegacyModel& model) {
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

std::vector<SlotBytes> defaultSlots(const LegacyModel& model, const std::string& serial) {
    std::vector<SlotBytes> slots(static_cast<std::size_t>(model.slotCount), SlotBytes{});
    slots[0] = slotText(serial);
    const auto wavelength = wavelengthPolynomial(model.pixels, model.firstWavelength,
                                                 model.lastWavelength, model.wavelengthOrigin);
    for (std::size_t k = 0; k < 4; ++k) slots[1 + k] = slotText(number(wavelength[k]));
    slots[5] = slotText("0.25");
    const double nonlinearity[8] = {0.95, 8.5e-06, -2.1e-10, 4.0e-15, 0, 0, 0, 0};
    for (std::size_t k = 0; k < 8; ++k) slots[6 + k] = slotText(number(nonlinearity[k]));
    slots[14] = slotText("7");
    slots[17] = slot17(model);
    return slots;
}

}  // namespace spectro::sim
