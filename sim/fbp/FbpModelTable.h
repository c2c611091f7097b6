#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace spectro::sim {

// The groups of messages a framed-binary model answers besides the ones every model answers
// (serial number, wavelength, nonlinearity and stray-light coefficients, integration time,
// trigger mode and spectra). A message of a group the model lacks is refused.
enum class FbpFeature : std::uint32_t {
    Revisions = 1u << 0,
    PixelBinning = 1u << 1,
    Shutter = 1u << 2,
    IrradianceCalibration = 1u << 3,
    Temperatures = 1u << 4,
    OpticalBench = 1u << 5,
    SpectrumProcessing = 1u << 6,
    ContinuousStrobe = 1u << 7,
    AcquisitionDelay = 1u << 8,
    StrobeLamp = 1u << 9,
    DataBuffer = 1u << 10,
    Cooler = 1u << 11,
    LightSource = 1u << 12,
    Saturation = 1u << 13,
};

constexpr std::uint32_t operator|(FbpFeature a, FbpFeature b) {
    return static_cast<std::uint32_t>(a) | static_cast<std::uint32_t>(b);
}
constexpr std::uint32_t operator|(std::uint32_t a, FbpFeature b) {
    return a | static_cast<std::uint32_t>(b);
}

// How a model sends its spectra.
enum class FbpSpectrumFormat {
    Pixels16,              // asked for with 0x00101000, answered with u16 pixels
    Pixels32WithMetadata,  // asked for with 0x00100928, answered with 32 metadata bytes, u32 pixels
};

// The constants of one simulated framed-binary model: its identity on the bus, its detector
// and what its firmware answers. Commands arrive on OUT 0x01.
struct FbpModel {
    std::string name;  // as the device library names the model
    std::uint16_t productId = 0;
    std::uint8_t replyIn = 0x81;          // every reply and spectrum leaves here
    std::vector<std::uint8_t> endpoints;  // every endpoint of interface 0, for the descriptors
    bool padsTo4 = false;  // on USB every message either way is padded with zeros to 4-byte multiples

    int pixels = 0;  // unbinned
    std::uint32_t maxIntensity = 0;
    std::uint32_t integrationMinimumUs = 0;  // the integration time command takes these and
    std::uint32_t integrationMaximumUs = 0;  // everything between, in microseconds
    std::vector<std::uint8_t> triggerModes;  // the trigger-mode command takes only these
    FbpSpectrumFormat spectrum = FbpSpectrumFormat::Pixels16;

    std::uint32_t features = 0;  // FbpFeature bits
    double firstWavelength = 0;  // the wavelength polynomial spans about these nanometres
    double lastWavelength = 0;
    std::uint8_t hardwareRevision = 0;
    std::uint16_t firmwareRevision = 0;

    std::uint8_t maxBinningFactor = 0;        // with PixelBinning: pixels are 1024 >> factor
    std::uint32_t maxAcquisitionDelayUs = 0;  // with AcquisitionDelay
    std::uint32_t dataBufferMaxCapacity = 0;  // with DataBuffer
    float coolerDefaultSetPointC = 0;         // with Cooler
    std::uint32_t saturationLevel = 0;        // with Saturation

    bool has(FbpFeature feature) const {
        return (features & static_cast<std::uint32_t>(feature)) != 0;
    }
};

// Every simulated framed-binary model.
const std::vector<FbpModel>& fbpModels();

// None when the name is not a simulated framed-binary model.
const FbpModel* findFbpModel(std::string_view name);

}  // namespace spectro::sim
