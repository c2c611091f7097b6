#pragma once

// A legacy model as data: what its constructor assembles, in the order it assembles it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/common/Bus.h"
#include "device/features/SaturationFeature.h"
#include "device/features/SpectrometerFeature.h"
#include "device/models/ModelRowParts.h"

namespace spectro {

// How the model's frames carry their pixels (the formatted spectrum exchange it builds).
enum class LegacySpectrumFormat {
    Legacy2K,  // 64-pixel blocks, low bytes then high bytes, 12 bits
    HRFPGA,    // little-endian words, high byte XOR 0x20
    FPGA,      // plain little-endian words
    QE,        // little-endian words, high byte XOR 0x80
    USBFPGA,   // FPGA, then gain adjustment (A)
    NIRQuest,  // QE, then gain adjustment (A)
    MayaPro,   // little-endian words, then gain adjustment (B)
    Jaz,       // little-endian words without a sync byte, then gain adjustment (A)
    FlameNIR,  // as Jaz
};

// Where a gain-adjusted model keeps its saturation level (information slot 17).
enum class GainReference {
    None,
    SaturationSlot,          // SaturationEEPROMSlotFeature
    SaturationSlotMayaPro,   // SaturationEEPROMSlotFeature_MayaPro
    SaturationSlotNIRQuest,  // SaturationEEPROMSlotFeature_NIRQuest
};

// One entry of a model's feature list.
struct LegacyFeatureEntry {
    enum Kind {
        Spectrometer,
        SerialNumber,
        EEPROMSlots,       // argument: number of slots
        StrobeLamp,
        ContinuousStrobe,
        ThermoElectric,
        IrradCal,          // argument: pixel count
        AcquisitionDelay,
        Nonlinearity,
        StrayLight,
        RawUSB,
        ExtraFeatures,     // argument: spectrometer type of the collection
    };
    Kind kind;
    std::int32_t argument = 0;
};

namespace legacyFeatures {
inline constexpr LegacyFeatureEntry Spec{LegacyFeatureEntry::Spectrometer};
inline constexpr LegacyFeatureEntry Serial{LegacyFeatureEntry::SerialNumber};
inline constexpr LegacyFeatureEntry Strobe{LegacyFeatureEntry::StrobeLamp};
inline constexpr LegacyFeatureEntry CStrobe{LegacyFeatureEntry::ContinuousStrobe};
inline constexpr LegacyFeatureEntry TEC{LegacyFeatureEntry::ThermoElectric};
inline constexpr LegacyFeatureEntry Delay{LegacyFeatureEntry::AcquisitionDelay};
inline constexpr LegacyFeatureEntry NL{LegacyFeatureEntry::Nonlinearity};
inline constexpr LegacyFeatureEntry SL{LegacyFeatureEntry::StrayLight};
inline constexpr LegacyFeatureEntry Raw{LegacyFeatureEntry::RawUSB};
constexpr LegacyFeatureEntry EEPROM(std::int32_t slots) {
    return {LegacyFeatureEntry::EEPROMSlots, slots};
}
constexpr LegacyFeatureEntry Irrad(std::int32_t pixels) {
    return {LegacyFeatureEntry::IrradCal, pixels};
}
constexpr LegacyFeatureEntry Extra(std::int32_t type) {
    return {LegacyFeatureEntry::ExtraFeatures, type};
}
}  // namespace legacyFeatures

using SpectrometerFeatureMaker = std::unique_ptr<SpectrometerFeature> (*)(
    const SpectrometerConstants& constants, const SpectrometerProtocolFactory& implementation,
    std::unique_ptr<ProgrammableSaturationFeatureBase> saturation);

struct LegacyModelRow {
    std::string name;  // the device's name, e.g. "HR2000+"
    std::uint16_t productId = 0;
    BusMaker usbBus = nullptr;
    ModelEndpoints endpoints;
    SpectrometerFeatureMaker spectrometerFeature = nullptr;
    // Its integrationTimeBase is also the microseconds per unit of the integration command.
    SpectrometerConstants spectrometer;
    LegacySpectrumFormat format = LegacySpectrumFormat::FPGA;
    std::uint32_t frameLength = 0;  // bytes of one raw frame, sync byte included
    GainReference gainReference = GainReference::None;
    std::vector<LegacyFeatureEntry> features;
    bool speaksOverTCPIPv4 = false;  // the Jaz also answers on its network bus
    // Built after the USB bus, in this order (the Jaz has its network bus).
    std::vector<BusMaker> furtherBuses = {};
};

// A spectrometer feature maker for the rows; the plain features ignore the saturation feature.
template <class FeatureClass>
std::unique_ptr<SpectrometerFeature> makeSpectrometerFeature(
    const SpectrometerConstants& constants, const SpectrometerProtocolFactory& implementation,
    std::unique_ptr<ProgrammableSaturationFeatureBase> saturation) {
    if constexpr (std::is_base_of_v<GainAdjustedSpectrometerFeature, FeatureClass>) {
        return std::make_unique<FeatureClass>(constants, implementation, std::move(saturation));
    } else {
        return std::make_unique<FeatureClass>(constants, implementation);
    }
}

}  // namespace spectro
