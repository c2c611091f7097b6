#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/legacy/LegacyModelTable.h"

namespace spectro::sim {

using SlotBytes = std::array<std::uint8_t, 15>;

// A slot holding a text, zero-padded; at most 15 bytes of it are kept.
SlotBytes slotText(const std::string& text);

// The factory contents of every information slot of a unit: serial number (0), wavelength
// polynomial (1-4), stray light (5), nonlinearity coefficients (6-13) and order (14), and
// slot 17 in the model's binary layout.
std::vector<SlotBytes> defaultSlots(const LegacyModel& model, const std::string& serial);

}  // namespace spectro::sim
