#include "sim/legacy/LegacyModelTable.h"

namespace spectro::sim {

namespace {

// Endpoint sets of the three hardware generations.
const std::vector<std::uint8_t> fpgaEndpoints{0x01, 0x81, 0x82, 0x86};
const std::vector<std::uint8_t> singleSpectrumEndpoints{0x01, 0x81, 0x82};
const std::vector<std::uint8_t> jazEndpoints{0x01, 0x08, 0x81, 0x82};
const std::vector<std::uint8_t> legacy2KEndpoints{0x02, 0x07, 0x82, 0x87};

using L = FrameLayout;
using S = Slot17Layout;

// One row per model. Slot counts cover at least slot 17, which the host reads on most models.
std::vector<LegacyModel> buildTable() {
    // clang-format off
    return {
        // name, product, command out, control in, spectrum in, first block in, endpoints,
        //     layout, sync byte, words, pixels, max intensity, integration unit (us),
        //     shortest and longest integration (us), trigger modes,
        //     board temperature, cooler, slots, slot 17, wavelengths from, to, origin
        {"HR2000+",     0x1016, 0x01, 0x81, 0x82, 0,    fpgaEndpoints,
         L::HighXor20,  true,  2048, 2048, 16383, 1,    1000,  655350000,  {0, 1, 2, 3},
         true,  false, 18, S::Unused,                  350.0, 800.0, 0},
        {"HR4000",      0x1012, 0x01, 0x81, 0x82, 0x86, fpgaEndpoints,
         L::HighXor20,  true,  3840, 3648, 16383, 1,    10,    655350000,  {0, 1, 2, 3},
         false, false, 18, S::Unused,                  200.0, 1100.0, 0},
        {"HR2000",      0x100A, 0x02, 0x87, 0x82, 0,    legacy2KEndpoints,
         L::Blocks2K,   true,  2048, 2048, 4095,  1000, 3000,  655350000,  {0, 1, 3},
         false, false, 18, S::Unused,                  200.0, 1100.0, 0},
        {"USB2000",     0x1002, 0x02, 0x87, 0x82, 0,    legacy2KEndpoints,
         L::Blocks2K,   true,  2048, 2048, 4095,  1000, 3000,  655350000,  {0, 1, 3},
         false, false, 18, S::Unused,                  340.0, 1030.0, 0},
        {"USB2000+",    0x101E, 0x01, 0x81, 0x82, 0,    fpgaEndpoints,
         L::Plain,      true,  2048, 2048, 65535, 1,    1000,  655350000,  {0, 1, 2, 3},
         false, false, 30, S::SaturationAt4,           340.0, 1030.0, 0},
        {"USB4000",     0x1022, 0x01, 0x81, 0x82, 0x86, fpgaEndpoints,
         L::Plain,      true,  3840, 3648, 65535, 1,    10,    655350000,  {0, 1, 2, 3},
         false, false, 18, S::SaturationAt4,           200.0, 1100.0, 0},
        {"Torus",       0x1040, 0x01, 0x81, 0x82, 0,    fpgaEndpoints,
         L::Plain,      true,  2048, 2048, 65535, 1,    1000,  655350000,  {0, 1, 2, 3},
         false, false, 18, S::SaturationAt4,           360.0, 825.0, 0},
        {"Maya2000",    0x102C, 0x01, 0x81, 0x82, 0,    fpgaEndpoints,
         L::Plain,      true,  2304, 2080, 65535, 1,    15000, 1600000000, {0, 1, 3},
         false, false, 18, S::Unused,                  200.0, 1100.0, 0},
        {"Maya2000Pro", 0x102A, 0x01, 0x81, 0x82, 0,    fpgaEndpoints,
         L::Plain,      true,  2304, 2068, 64000, 1,    7200,  65000000,   {0, 1, 2, 3},
         false, false, 18, S::SaturationAt0,           165.0, 1100.0, 0},
        {"MayaLSL",     0x1046, 0x01, 0x81, 0x82, 0,    fpgaEndpoints,
         L::Plain,      true,  2304, 2068, 64000, 1,    7200,  65000000,   {0, 1, 2, 3},
         false, false, 18, S::SaturationAt0,           200.0, 1100.0, 0},
        {"Apex",        0x1044, 0x01, 0x81, 0x82, 0,    singleSpectrumEndpoints,
         L::Plain,      true,  2304, 2068, 64000, 1,    15000, 1600000000, {0},
         false, false, 18, S::SaturationAt0,           190.0, 1100.0, 0},
        {"QE65000",     0x1018, 0x01, 0x81, 0x82, 0,    fpgaEndpoints,
         L::HighXor80,  true,  1280, 1044, 65535, 1000, 8000,  1600000000, {0, 1, 3},
         false, true,  18, S::CoolerDefaults,          200.0, 950.0, 10},
        {"NIRQuest512", 0x1026, 0x01, 0x81, 0x82, 0,    fpgaEndpoints,
         L::HighXor80,  true,  512,  512,  65535, 1000, 1000,  1600000000, {0, 1, 2, 3},
         false, true,  20, S::CoolerAndSaturation32,   900.0, 1700.0, 0},
        {"NIRQuest256", 0x1028, 0x01, 0x81, 0x82, 0,    fpgaEndpoints,
         L::HighXor80,  true,  256,  256,  65535, 1000, 1000,  1600000000, {0, 1, 2, 3},
         false, true,  20, S::CoolerAndSaturation32,   900.0, 2500.0, 0},
        {"Flame-NIR",   0x104B, 0x01, 0x81, 0x82, 0,    fpgaEndpoints,
         L::Plain,      false, 128,  128,  65535, 1,    1000,  655350000,  {0, 1, 2, 3},
         false, false, 30, S::SaturationAt4,           950.0, 1650.0, 0},
        {"Jaz",         0x2000, 0x01, 0x81, 0x82, 0,    jazEndpoints,
         L::Plain,      false, 2048, 2048, 65535, 1,    1000,  655350000,  {0, 1, 2, 3},
         false, false, 18, S::SaturationAt4,           200.0, 1100.0, 0},
    };
    // clang-format on
}

}  // namespace

const std::vector<LegacyModel>& legacyModels() {
    static const std::vector<LegacyModel> table = buildTable();
    return table;
}

const LegacyModel* findLegacyModel(std::string_view name) {
    for (const LegacyModel& model : legacyModels()) {
        if (model.name == name) return &model;
    }
    return nullptr;
}

}  // namespace spectro::sim
