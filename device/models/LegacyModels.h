#pragma once

#include <vector>

#include "device/models/LegacyModelRow.h"

// The sixteen legacy models, each one row of data.
namespace spectro::models {

const LegacyModelRow& hr2000Plus();
const LegacyModelRow& hr4000();
const LegacyModelRow& hr2000();
const LegacyModelRow& usb2000();
const LegacyModelRow& usb2000Plus();
const LegacyModelRow& usb4000();
const LegacyModelRow& torus();
const LegacyModelRow& maya2000();
const LegacyModelRow& maya2000Pro();
const LegacyModelRow& mayaLSL();
const LegacyModelRow& apex();
const LegacyModelRow& qe65000();
const LegacyModelRow& nirQuest512();
const LegacyModelRow& nirQuest256();
const LegacyModelRow& flameNIR();
const LegacyModelRow& jaz();

// Every legacy row, in the order of the tables above (not the factory's order).
const std::vector<const LegacyModelRow*>& legacyModelRows();

}  // namespace spectro::models
