#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace spectro::sim {

// How a frame carries its 16-bit words.
enum class FrameLayout {
    Blocks2K,   // 128-byte blocks: 64 low bytes, then the 64 high bytes (12 bits used)
    HighXor20,  // little-endian words whose high byte is sent XOR 0x20
    HighXor80,  // little-endian words whose high byte is sent XOR 0x80
    Plain,      // plain little-endian words
};

// What information slot 17 holds on a model.
enum class Slot17Layout {
    Unused,
    SaturationAt4,          // saturation level, 16 bits at bytes 4-5
    SaturationAt0,          // saturation level, 16 bits at bytes 0-1
    CoolerDefaults,         // cooler enable (byte 0), set point in tenths of degrees (bytes 2-3)
    CoolerAndSaturation32,  // cooler defaults as above, saturation level 32 bits at bytes 4-7
};

// The constants of one simulated legacy model: its identity on the bus, its endpoints, its
// frame format and what its firmware answers.
struct LegacyModel {
    std::string name;  // as the device library names the model
    std::uint16_t productId;
    std::uint8_t commandOut;    // every command arrives here
    std::uint8_t controlIn;     // short replies leave here
    std::uint8_t spectrumIn;    // frames leave here
    std::uint8_t firstBlockIn;  // at high speed the first 2048 frame bytes leave here; 0: never
    std::vector<std::uint8_t> endpoints;  // every endpoint of interface 0, for the descriptors

    FrameLayout layout;
    bool syncByte;  // frame ends with 0x69
    int words;      // 16-bit words in a frame
    int pixels;     // pixels the host decodes
    std::uint16_t maxIntensity;
    std::uint32_t integrationUnitUs;          // the integration time command counts in this unit
    std::uint32_t integrationMinimumUs;       // the command takes minimum / unit to maximum / unit
    std::uint32_t integrationMaximumUs;       // (whole units); anything else fails
    std::vector<std::uint16_t> triggerModes;  // the trigger-mode command takes only these

    bool boardTemperature;  // answers 0x6C
    bool cooler;            // answers 0x71, 0x72, 0x73
    int slotCount;          // information slots 0 .. slotCount - 1
    Slot17Layout slot17;
    double firstWavelength;  // the wavelength polynomial spans about these nanometres
    double lastWavelength;
    int wavelengthOrigin;  // pixel index at which the polynomial's x is 0

    int frameLength() const { return words * 2 + (syncByte ? 1 : 0); }
};

// Every simulated legacy model, in the order of the device library's model list.
const std::vector<LegacyModel>& legacyModels();

// None when the name is not a simulated legacy model.
const LegacyModel* findLegacyModel(std::string_view name);

}  // namespace spectro::sim
