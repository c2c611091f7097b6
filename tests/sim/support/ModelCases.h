#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace spectro::sim::test {

// How a frame carries pixel words, as the host reads them.
enum class WordLayout { Blocks2K, Xor20, Xor80, Plain };

// What slot 17 holds.
enum class Slot17 { Unused, SaturationAt4, SaturationAt0, Cooler, CoolerAndSaturation32 };

// The wire facts of one legacy model, written out here independently of the simulator's table.
struct ModelCase {
    std::string model;
    std::uint16_t productId;
    std::uint8_t commandOut;
    std::uint8_t controlIn;
    int frameLength;
    bool syncByte;
    bool splitAtHighSpeed;  // first 2048 bytes on 0x86 at high speed
    std::uint32_t integrationUnitUs;
    std::uint16_t pixels;
    WordLayout words;
    Slot17 slot17;
    std::uint16_t maxIntensity;
    int wavelengthOrigin;  // the host evaluates the polynomial at pixel - origin
    std::uint32_t integrationMinimumUs;
    std::uint32_t integrationMaximumUs;
    std::vector<std::uint16_t> triggerModes;
};

inline const std::vector<ModelCase>& modelCases() {
    using W = WordLayout;
    using S = Slot17;
    // clang-format off
    static const std::vector<ModelCase> cases{
        // model, product, command out, control in, frame length, sync byte, split, unit (us),
        //     pixels, word layout, slot 17, max intensity, origin, integration from, to (us),
        //     trigger modes
        {"HR2000+", 0x1016, 0x01, 0x81, 4097, true, false, 1,
         2048, W::Xor20, S::Unused, 16383, 0, 1000, 655350000, {0, 1, 2, 3}},
        {"HR4000", 0x1012, 0x01, 0x81, 7681, true, true, 1,
         3648, W::Xor20, S::Unused, 16383, 0, 10, 655350000, {0, 1, 2, 3}},
        {"HR2000", 0x100A, 0x02, 0x87, 4097, true, false, 1000,
         2048, W::Blocks2K, S::Unused, 4095, 0, 3000, 655350000, {0, 1, 3}},
        {"USB2000", 0x1002, 0x02, 0x87, 4097, true, false, 1000,
         2048, W::Blocks2K, S::Unused, 4095, 0, 3000, 655350000, {0, 1, 3}},
        {"USB2000+", 0x101E, 0x01, 0x81, 4097, true, false, 1,
         2048, W::Plain, S::SaturationAt4, 65535, 0, 1000, 655350000, {0, 1, 2, 3}},
        {"USB4000", 0x1022, 0x01, 0x81, 7681, true, true, 1,
         3648, W::Plain, S::SaturationAt4, 65535, 0, 10, 655350000, {0, 1, 2, 3}},
        {"Torus", 0x1040, 0x01, 0x81, 4097, true, false, 1,
         2048, W::Plain, S::SaturationAt4, 65535, 0, 1000, 655350000, {0, 1, 2, 3}},
        {"Maya2000", 0x102C, 0x01, 0x81, 4609, true, false, 1,
         2080, W::Plain, S::Unused, 65535, 0, 15000, 1600000000, {0, 1, 3}},
        {"Maya2000Pro", 0x102A, 0x01, 0x81, 4609, true, false, 1,
         2068, W::Plain, S::SaturationAt0, 64000, 0, 7200, 65000000, {0, 1, 2, 3}},
        {"MayaLSL", 0x1046, 0x01, 0x81, 4609, true, false, 1,
         2068, W::Plain, S::SaturationAt0, 64000, 0, 7200, 65000000, {0, 1, 2, 3}},
        {"Apex", 0x1044, 0x01, 0x81, 4609, true, false, 1,
         2068, W::Plain, S::SaturationAt0, 64000, 0, 15000, 1600000000, {0}},
        {"QE65000", 0x1018, 0x01, 0x81, 2561, true, false, 1000,
         1044, W::Xor80, S::Cooler, 65535, 10, 8000, 1600000000, {0, 1, 3}},
        {"NIRQuest512", 0x1026, 0x01, 0x81, 1025, true, false, 1000,
         512, W::Xor80, S::CoolerAndSaturation32, 65535, 0, 1000, 1600000000, {0, 1, 2, 3}},
        {"NIRQuest256", 0x1028, 0x01, 0x81, 513, true, false, 1000,
         256, W::Xor80, S::CoolerAndSaturation32, 65535, 0, 1000, 1600000000, {0, 1, 2, 3}},
        {"Flame-NIR", 0x104B, 0x01, 0x81, 256, false, false, 1,
         128, W::Plain, S::SaturationAt4, 65535, 0, 1000, 655350000, {0, 1, 2, 3}},
        {"Jaz", 0x2000, 0x01, 0x81, 4096, false, false, 1,
         2048, W::Plain, S::SaturationAt4, 65535, 0, 1000, 655350000, {0, 1, 2, 3}},
    };
    // clang-format on
    return cases;
}

inline std::ostream& operator<<(std::ostream& out, const ModelCase& model) {
    return out << model.model;
}

// A test name part from a model name ("HR2000+" -> "HR2000Plus").
inline std::string testName(const std::string& model) {
    std::string name;
    for (char c : model) {
        if (c == '+')
            name += "Plus";
        else if (c != '-')
            name += c;
    }
    return name;
}

}  // namespace spectro::sim::test
