#include "device/models/FBPDevice.h"

#include "device/buses/usb/RawUSBBusAccessFeature.h"
#include "device/common/Exceptions.h"
#include "device/features/FBPModelFeatures.h"
#include "device/features/NonlinearityCoeffsFeature.h"
#include "device/features/STSPixelBinningFeature.h"
#include "device/features/SaturationFeature.h"
#include "device/features/SerialNumberFeature.h"
#include "device/features/SpectrometerModelFeatures.h"
#include "device/features/StrayLightCoeffsFeature.h"
#include "device/models/FBPModels.h"
#include "device/protocols/fbp/FBPAcquisitionProtocols.h"
#include "device/protocols/fbp/FBPCalibrationProtocols.h"
#include "device/protocols/fbp/FBPDataBufferProtocol.h"
#include "device/protocols/fbp/FBPIdentityProtocols.h"
#include "device/protocols/fbp/FBPLightSourceProtocols.h"
#include "device/protocols/fbp/FBPSpectrometerProtocol.h"
#include "device/protocols/fbp/FBPSpectrumExchanges.h"
#include "device/protocols/fbp/FBPThermalProtocols.h"

namespace spectro {

namespace {

using namespace framedBinaryProtocol;

WaveCalProtocolFactory waveCalFromDevice() {
    return [] { return std::make_unique<FBPWaveCalProtocol>(); };
}

std::unique_ptr<ProtocolHelper> spectrometerProtocol(std::unique_ptr<Transfer> request,
                                                     std::unique_ptr<Transfer> unformatted,
                                                     std::unique_ptr<Transfer> formatted) {
    return std::make_unique<FBPSpectrometerProtocol>(
        std::make_unique<FBPIntegrationTimeExchange>(), std::move(request), std::move(unformatted),
        std::move(formatted), std::make_unique<FBPTriggerModeExchange>());
}

// A message of 16-bit pixels: 2 bytes a pixel and the 64 bytes of the message around them.
std::uint32_t sixteenBitLength(std::uint32_t pixels) { return 2 * pixels + 64; }

template <class Feature>
std::unique_ptr<SpectrometerFeature> sixteenBitFeature() {
    const auto pixels = static_cast<std::uint32_t>(Feature::modelConstants().numberOfPixels);
    const std::uint32_t length = sixteenBitLength(pixels);
    return std::make_unique<Feature>(
        spectrometerProtocol(std::make_unique<FBPRequestSpectrumExchange>(),
                             std::make_unique<FBPReadRawSpectrumExchange>(length, pixels),
                             std::make_unique<FBPReadSpectrumExchange>(length, pixels)),
        waveCalFromDevice());
}

std::unique_ptr<SpectrometerFeature> stsFeature() {
    const auto pixels = static_cast<std::uint32_t>(STSSpectrometerFeature::UNBINNED_PIXELS);
    const std::uint32_t length = sixteenBitLength(pixels);
    auto unformatted = std::make_unique<FBPReadRawSpectrumExchange>(length, pixels);
    auto formatted = std::make_unique<FBPReadSpectrumExchange>(length, pixels);
    // The implementation owns both reads; the feature keeps them to resize after binning.
    FBPReadRawSpectrumExchange* unformattedRead = unformatted.get();
    FBPReadRawSpectrumExchange* formattedRead = formatted.get();
    return std::make_unique<STSSpectrometerFeature>(
        spectrometerProtocol(std::make_unique<FBPRequestSpectrumExchange>(),
                             std::move(unformatted), std::move(formatted)),
        waveCalFromDevice(), unformattedRead, formattedRead);
}

std::unique_ptr<SpectrometerFeature> qeProFeature() {
    const auto pixels =
        static_cast<std::uint32_t>(QEProSpectrometerFeature::modelConstants().numberOfPixels);
    return std::make_unique<QEProSpectrometerFeature>(
        spectrometerProtocol(std::make_unique<FBPRequestBufferedSpectrum32AndMetadataExchange>(),
                             std::make_unique<FBPReadRawSpectrum32AndMetadataExchange>(pixels),
                             std::make_unique<FBPReadSpectrum32AndMetadataExchange>(pixels)),
        waveCalFromDevice());
}

std::unique_ptr<SpectrometerFeature> blazeFeature() {
    const auto pixels =
        static_cast<std::uint32_t>(BlazeSpectrometerFeature::modelConstants().numberOfPixels);
    const std::uint32_t length = sixteenBitLength(pixels);
    const SpectrometerProtocolFactory implementation = [=](GainAdjustmentSource& feature) {
        return spectrometerProtocol(
            std::make_unique<FBPRequestSpectrumExchange>(),
            std::make_unique<FBPReadRawSpectrumExchange>(length, pixels),
            std::make_unique<FBPReadSpectrumWithGainExchange>(length, pixels, &feature));
    };
    // The saturation level is read when the device is initialised; the feature scales with
    // it, or with its ceiling (factor 1) when the unit does not tell it.
    return std::make_unique<BlazeSpectrometerFeature>(
        implementation,
        std::make_unique<ProgrammableSaturationFeatureImpl>(
            std::make_unique<FBPProgrammableSaturationProtocol>()),
        waveCalFromDevice());
}

std::unique_ptr<SpectrometerFeature> spectrometerFeature(FBPSpectrometerKind kind) {
    switch (kind) {
        case FBPSpectrometerKind::STS:
            return stsFeature();
        case FBPSpectrometerKind::QEPro:
            return qeProFeature();
        case FBPSpectrometerKind::Spark:
            return sixteenBitFeature<SparkSpectrometerFeature>();
        case FBPSpectrometerKind::Ventana:
            return sixteenBitFeature<VentanaSpectrometerFeature>();
        case FBPSpectrometerKind::Blaze:
            return blazeFeature();
    }
    throw IllegalArgumentException("Unknown framed-binary spectrometer.");
}

std::unique_ptr<Feature> auxiliaryFeature(const FBPFeatureEntry& entry,
                                          Feature* spectrometer) {
    using E = FBPFeatureEntry;
    switch (entry.kind) {
        case E::PixelBinning:
            return std::make_unique<STSPixelBinningFeature>(
                std::make_unique<FBPPixelBinningProtocol>(),
                dynamic_cast<STSSpectrometerFeature*>(spectrometer));
        case E::SerialNumber:
            return std::make_unique<SerialNumberFeature>(std::make_unique<FBPSerialNumberProtocol>());
        case E::Shutter:
            return std::make_unique<ShutterFeature>(std::make_unique<FBPShutterProtocol>());
        case E::IrradCal:
            return std::make_unique<IrradCalFeature>(
                std::make_unique<FBPIrradCalProtocol>(static_cast<std::uint32_t>(entry.argument)),
                entry.argument);
        case E::Nonlinearity:
            return std::make_unique<NonlinearityCoeffsFeature>(
                std::make_unique<FBPNonlinearityCoeffsProtocol>());
        case E::StrayLight:
            return std::make_unique<StrayLightCoeffsFeature>(
                std::make_unique<FBPStrayLightCoeffsProtocol>());
        case E::Temperature:
            return std::make_unique<TemperatureFeature>(std::make_unique<FBPTemperatureProtocol>());
        case E::Revision:
            return std::make_unique<RevisionFeature>(std::make_unique<FBPRevisionProtocol>());
        case E::OpticalBench:
            return std::make_unique<OpticalBenchFeature>(std::make_unique<FBPOpticalBenchProtocol>());
        case E::SpectrumProcessing:
            return std::make_unique<SpectrumProcessingFeature>(
                std::make_unique<FBPSpectrumProcessingProtocol>());
        case E::ContinuousStrobe:
            return std::make_unique<ContinuousStrobeFeature>(
                std::make_unique<FBPContinuousStrobeProtocol>());
        case E::AcquisitionDelay:
            return std::make_unique<STSAcquisitionDelayFeature>(
                std::make_unique<FBPAcquisitionDelayProtocol>());
        case E::StrobeLamp:
            return std::make_unique<StrobeLampFeature>(std::make_unique<FBPStrobeLampProtocol>());
        case E::DataBuffer:
            return std::make_unique<QEProDataBufferFeature>(std::make_unique<FBPDataBufferProtocol>());
        case E::ThermoElectric:
            return std::make_unique<QEProThermoElectricFeature>(
                std::make_unique<FBPThermoElectricProtocol>());
        case E::RawUSB:
            return std::make_unique<RawUSBBusAccessFeature>();
        case E::Spectrometer:
            break;
    }
    throw IllegalArgumentException("The spectrometer feature is built from the model's row.");
}

}  // namespace

FBPDevice::FBPDevice(const FBPModelRow& row)
    : ModelDevice(row.name, row.endpoints, row.usbBus, row.furtherBuses,
                  std::make_unique<FramedBinaryProtocol>()),
      framedBinaryOnUSBOnly(row.framedBinaryOnUSBOnly) {
    // The lists own what is built so far, so a throw part-way destroys it with the device.
    Feature* spectrometer = nullptr;
    for (const FBPFeatureEntry& entry : row.features) {
        if (entry.kind == FBPFeatureEntry::Spectrometer) {
            features.push_back(spectrometerFeature(row.spectrometer));
            spectrometer = features.back().get();
        } else {
            features.push_back(auxiliaryFeature(entry, spectrometer));
        }
    }
}

ProtocolFamily FBPDevice::getSupportedProtocol(const FeatureFamily&,
                                               const BusFamily& busFamily) const {
    if (framedBinaryOnUSBOnly && !busFamily.equals(BusFamilies().USB))
        return api::ProtocolFamilies().UNDEFINED_PROTOCOL;
    return api::ProtocolFamilies().FRAMED_BINARY_PROTOCOL;
}

Ventana::Ventana() : FBPDevice(models::ventana()) {}

bool Ventana::initialize(const Bus& bus) {
    const BusFamily busFamily = bus.getBusFamily();
    const ProtocolFamily framedBinary = api::ProtocolFamilies().FRAMED_BINARY_PROTOCOL;
    const api::FeatureFamilies families;

    if (getSupportedProtocol(families.THERMOELECTRIC, busFamily).equals(framedBinary)) {
        auto cooler = std::make_unique<VentanaThermoElectricFeature>(
            std::make_unique<FBPThermoElectricProtocol>());
        try {
            cooler->getTemperatureCelsius(FramedBinaryProtocol(), bus);
            features.push_back(std::move(cooler));
        } catch (const FeatureException&) {
            // A unit that does not answer for its cooler has none.
        }
    }
    if (getSupportedProtocol(families.LIGHT_SOURCE, busFamily).equals(framedBinary)) {
        auto lightSource = std::make_unique<VentanaLightSourceFeature>(
            std::make_unique<FBPLightSourceProtocol_Ventana>());
        try {
            if (lightSource->initialize(FramedBinaryProtocol(), bus))
                features.push_back(std::move(lightSource));
        } catch (const FeatureException&) {
        }
    }
    return Device::initialize(bus);
}

}  // namespace spectro
