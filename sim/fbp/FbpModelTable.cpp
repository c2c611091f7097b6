#include "sim/fbp/FbpModelTable.h"

namespace spectro::sim {

namespace {

using F = FbpFeature;

// The bulk endpoints of the units with a second pair; the Ventana has one pair only.
const std::vector<std::uint8_t> dualPairEndpoints{0x01, 0x81, 0x02, 0x82};
const std::vector<std::uint8_t> ventanaEndpoints{0x01, 0x82};

// One row per model; the features are those the device library builds for the model.
std::vector<FbpModel> buildTable() {
    return {
        {.name = "STS",
         .productId = 0x4000,
         .endpoints = dualPairEndpoints,
         .pixels = 1024,
         .maxIntensity = 16383,
         .integrationMinimumUs = 10,
         .integrationMaximumUs = 85000000,
         .triggerModes = {0, 1, 2},
         .features = F::Revisions | F::PixelBinning | F::Shutter | F::IrradianceCalibration |
                     F::Temperatures | F::OpticalBench | F::SpectrumProcessing |
                     F::ContinuousStrobe | F::AcquisitionDelay | F::StrobeLamp,
         .firstWavelength = 350.0,
         .lastWavelength = 800.0,
         .hardwareRevision = 2,
         .firmwareRevision = 0x0320,
         // Three lets a host try a factor of 2 and be refused a 4.
         .maxBinningFactor = 3,
         .maxAcquisitionDelayUs = 335500},
        {.name = "QE-PRO",
         .productId = 0x4004,
         .endpoints = dualPairEndpoints,
         .pixels = 1044,
         .maxIntensity = 200000,
         .integrationMinimumUs = 10000,
         .integrationMaximumUs = 1600000000,
         .triggerModes = {0, 1, 2, 3},
         .spectrum = FbpSpectrumFormat::Pixels32WithMetadata,
         .features = F::DataBuffer | F::IrradianceCalibration | F::Cooler | F::ContinuousStrobe |
                     F::StrobeLamp,
         .firstWavelength = 200.0,
         .lastWavelength = 950.0,
         .hardwareRevision = 1,
         .firmwareRevision = 0x0142,
         .dataBufferMaxCapacity = 15000,
         .coolerDefaultSetPointC = -10.0f},
        {.name = "Spark",
         .productId = 0x4200,
         .endpoints = dualPairEndpoints,
         .pixels = 1024,
         .maxIntensity = 16383,
         .integrationMinimumUs = 10,
         .integrationMaximumUs = 85000000,
         .triggerModes = {0, 1, 2},
         .features = F::Shutter | F::IrradianceCalibration | F::Temperatures | F::Revisions |
                     F::OpticalBench | F::SpectrumProcessing | F::ContinuousStrobe,
         .firstWavelength = 400.0,
         .lastWavelength = 750.0,
         .hardwareRevision = 1,
         .firmwareRevision = 0x0107},
        {.name = "Ventana",
         .productId = 0x5000,
         .replyIn = 0x82,
         .endpoints = ventanaEndpoints,
         .pixels = 1024,
         .maxIntensity = 65535,
         .integrationMinimumUs = 22000,
         .integrationMaximumUs = 60000000,
         .triggerModes = {0},
         .features = F::Cooler | F::LightSource,
         .firstWavelength = 800.0,
         .lastWavelength = 930.0,
         .hardwareRevision = 1,
         .firmwareRevision = 0x0211,
         .coolerDefaultSetPointC = 15.0f},
        {.name = "Blaze",
         .productId = 0x2001,
         .endpoints = dualPairEndpoints,
         .padsTo4 = true,
         .pixels = 2088,
         .maxIntensity = 65535,
         .integrationMinimumUs = 1000,
         .integrationMaximumUs = 60000000,
         .triggerModes = {0},
         .features = F::StrobeLamp | F::Saturation,
         .firstWavelength = 190.0,
         .lastWavelength = 1100.0,
         .hardwareRevision = 1,
         .firmwareRevision = 0x0105,
         .saturationLevel = 60000},
    };
}

}  // namespace

const std::vector<FbpModel>& fbpModels() {
    static const std::vector<FbpModel> table = buildTable();
    return table;
}

const FbpModel* findFbpModel(std::string_view name) {
    for (const FbpModel& model : fbpModels()) {
        if (model.name == name) return &model;
    }
    return nullptr;
}

}  // namespace spectro::sim
