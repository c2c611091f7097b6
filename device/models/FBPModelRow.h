#pragma once

// A framed-binary model as data: what its constructor assembles, in the order it assembles it.

#include <cstdint>
#include <string>
#include <vector>

#include "device/models/ModelRowParts.h"

namespace spectro {

// Which spectrometer feature the model builds, with the spectrum exchanges of its kind.
enum class FBPSpectrometerKind {
    STS,      // 16-bit pixels; binning resizes both reads
    QEPro,    // 32-bit pixels after 32 bytes of metadata, from the spectrum buffer
    Spark,    // 16-bit pixels
    Ventana,  // 16-bit pixels
    Blaze,    // 16-bit pixels, rescaled by the saturation level the unit reports
};

// One entry of a model's feature list; each names the feature class and the protocol
// implementation it is given.
struct FBPFeatureEntry {
    enum Kind {
        Spectrometer,
        PixelBinning,        // STSPixelBinningFeature, tied to the STS spectrometer feature
        SerialNumber,
        Shutter,
        IrradCal,            // argument: pixel count
        Nonlinearity,
        StrayLight,
        Temperature,
        Revision,
        OpticalBench,
        SpectrumProcessing,
        ContinuousStrobe,
        AcquisitionDelay,    // STSAcquisitionDelayFeature
        StrobeLamp,
        DataBuffer,          // QEProDataBufferFeature
        ThermoElectric,      // QEProThermoElectricFeature
        RawUSB,
    };
    Kind kind;
    std::int32_t argument = 0;
};

namespace fbpFeatures {
inline constexpr FBPFeatureEntry Spec{FBPFeatureEntry::Spectrometer};
inline constexpr FBPFeatureEntry Binning{FBPFeatureEntry::PixelBinning};
inline constexpr FBPFeatureEntry Serial{FBPFeatureEntry::SerialNumber};
inline constexpr FBPFeatureEntry Shutter{FBPFeatureEntry::Shutter};
inline constexpr FBPFeatureEntry NL{FBPFeatureEntry::Nonlinearity};
inline constexpr FBPFeatureEntry SL{FBPFeatureEntry::StrayLight};
inline constexpr FBPFeatureEntry Temp{FBPFeatureEntry::Temperature};
inline constexpr FBPFeatureEntry Rev{FBPFeatureEntry::Revision};
inline constexpr FBPFeatureEntry Bench{FBPFeatureEntry::OpticalBench};
inline constexpr FBPFeatureEntry Proc{FBPFeatureEntry::SpectrumProcessing};
inline constexpr FBPFeatureEntry CStrobe{FBPFeatureEntry::ContinuousStrobe};
inline constexpr FBPFeatureEntry Delay{FBPFeatureEntry::AcquisitionDelay};
inline constexpr FBPFeatureEntry Strobe{FBPFeatureEntry::StrobeLamp};
inline constexpr FBPFeatureEntry Buffer{FBPFeatureEntry::DataBuffer};
inline constexpr FBPFeatureEntry TEC{FBPFeatureEntry::ThermoElectric};
inline constexpr FBPFeatureEntry Raw{FBPFeatureEntry::RawUSB};
constexpr FBPFeatureEntry Irrad(std::int32_t pixels) { return {FBPFeatureEntry::IrradCal, pixels}; }
}  // namespace fbpFeatures

struct FBPModelRow {
    std::string name;  // the device's name, e.g. "QE-PRO"
    std::uint16_t productId = 0;
    BusMaker usbBus = nullptr;
    std::vector<BusMaker> furtherBuses = {};  // built after the USB bus, in this order
    ModelEndpoints endpoints;
    FBPSpectrometerKind spectrometer = FBPSpectrometerKind::Spark;
    std::vector<FBPFeatureEntry> features;
    // The Ventana speaks the protocol on USB only; the others on every bus they list.
    bool framedBinaryOnUSBOnly = false;
};

}  // namespace spectro
