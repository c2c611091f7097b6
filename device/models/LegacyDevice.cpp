#include "device/models/LegacyDevice.h"

#include "device/api/ExtraFeaturesCollection.h"
#include "device/buses/usb/RawUSBBusAccessFeature.h"
#include "device/features/EEPROMSlotFeature.h"
#include "device/features/FPGAFeatures.h"
#include "device/features/ForwardingFeatures.h"
#include "device/features/NonlinearityCoeffsFeature.h"
#include "device/features/SerialNumberFeature.h"
#include "device/features/StrayLightCoeffsFeature.h"
#include "device/features/ThermoElectricFeature.h"
#include "device/protocols/legacy/LegacyFeatureProtocols.h"
#include "device/protocols/legacy/LegacySpectrometerProtocol.h"

namespace spectro {

namespace {

using namespace legacyProtocol;

std::unique_ptr<ReadSpectrumExchange> formattedExchange(const LegacyModelRow& row,
                                                        GainAdjustmentSource& source) {
    const std::uint32_t length = row.frameLength;
    const auto pixels = static_cast<std::uint32_t>(row.spectrometer.numberOfPixels);
    switch (row.format) {
        case LegacySpectrumFormat::Legacy2K:
            return std::make_unique<Legacy2KSpectrumExchange>(length, pixels);
        case LegacySpectrumFormat::HRFPGA:
            return std::make_unique<HRFPGASpectrumExchange>(length, pixels);
        case LegacySpectrumFormat::FPGA:
            return std::make_unique<FPGASpectrumExchange>(length, pixels);
        case LegacySpectrumFormat::QE:
            return std::make_unique<QESpectrumExchange>(length, pixels);
        case LegacySpectrumFormat::USBFPGA:
            return std::make_unique<USBFPGASpectrumExchange>(length, pixels, &source);
        case LegacySpectrumFormat::NIRQuest:
            return std::make_unique<NIRQuestSpectrumExchange>(length, pixels, &source);
        case LegacySpectrumFormat::MayaPro:
            return std::make_unique<MayaProSpectrumExchange>(length, pixels, &source);
        case LegacySpectrumFormat::Jaz:
            return std::make_unique<JazSpectrumExchange>(length, pixels, &source);
        case LegacySpectrumFormat::FlameNIR:
            return std::make_unique<FlameNIRSpectrumExchange>(length, pixels, &source);
    }
    throw IllegalArgumentException("Unknown legacy spectrum format.");
}

std::unique_ptr<ProgrammableSaturationFeatureBase> saturationFeature(GainReference reference) {
    switch (reference) {
        case GainReference::None:
            return nullptr;
        case GainReference::SaturationSlot:
            return std::make_unique<SaturationEEPROMSlotFeature>();
        case GainReference::SaturationSlotMayaPro:
            return std::make_unique<SaturationEEPROMSlotFeature_MayaPro>();
        case GainReference::SaturationSlotNIRQuest:
            return std::make_unique<SaturationEEPROMSlotFeature_NIRQuest>();
    }
    return nullptr;
}

std::unique_ptr<Feature> auxiliaryFeature(const LegacyFeatureEntry& entry,
                                          const ModelEndpoints& endpoints) {
    using E = LegacyFeatureEntry;
    switch (entry.kind) {
        case E::SerialNumber:
            return std::make_unique<SerialNumberEEPROMSlotFeature>();
        case E::EEPROMSlots:
            return std::make_unique<EEPROMSlotFeature>(static_cast<unsigned int>(entry.argument));
        case E::StrobeLamp:
            return std::make_unique<StrobeLampFeature>(std::make_unique<LegacyStrobeLampProtocol>());
        case E::ContinuousStrobe:
            return std::make_unique<ContinuousStrobeFeature_FPGA>();
        case E::ThermoElectric:
            return std::make_unique<ThermoElectricQEFeature>(std::make_unique<LegacyTECProtocol>());
        case E::IrradCal:
            return std::make_unique<IrradCalFeature>(
                std::make_unique<LegacyIrradCalProtocol>(static_cast<std::uint32_t>(entry.argument)),
                entry.argument);
        case E::AcquisitionDelay:
            return std::make_unique<AcquisitionDelayFeature_FPGA>();
        case E::Nonlinearity:
            return std::make_unique<NonlinearityEEPROMSlotFeature>();
        case E::StrayLight:
            return std::make_unique<StrayLightEEPROMSlotFeature>();
        case E::RawUSB:
            return std::make_unique<RawUSBBusAccessFeature>();
        case E::ExtraFeatures:
            return std::make_unique<ExtraFeaturesCollection>(
                entry.argument, endpoints.cmdOut, endpoints.replyIn, endpoints.auxOut,
                endpoints.dataIn, endpoints.dataIn2);
        case E::Spectrometer:
            break;
    }
    throw IllegalArgumentException("The spectrometer feature is built from the model's row.");
}

}  // namespace

std::unique_ptr<ProtocolHelper> makeLegacySpectrometerProtocol(const LegacyModelRow& row,
                                                               GainAdjustmentSource& source) {
    const auto pixels = static_cast<std::uint32_t>(row.spectrometer.numberOfPixels);
    return std::make_unique<LegacySpectrometerProtocol>(
        std::make_unique<IntegrationTimeExchange>(
            static_cast<std::uint32_t>(row.spectrometer.integrationTimeBase)),
        std::make_unique<RequestSpectrumExchange>(),
        std::make_unique<ReadSpectrumExchange>(row.frameLength, pixels),
        formattedExchange(row, source), std::make_unique<TriggerModeExchange>());
}

LegacyDevice::LegacyDevice(const LegacyModelRow& row)
    : ModelDevice(row.name, row.endpoints, row.usbBus, row.furtherBuses,
                  std::make_unique<legacyProtocol::LegacyProtocol>()),
      speaksOverTCPIPv4(row.speaksOverTCPIPv4) {
    // The lists own what is built so far, so a throw part-way destroys it with the device.
    for (const LegacyFeatureEntry& entry : row.features) {
        if (entry.kind == LegacyFeatureEntry::Spectrometer) {
            const SpectrometerProtocolFactory implementation = [&row](GainAdjustmentSource& source) {
                return makeLegacySpectrometerProtocol(row, source);
            };
            features.push_back(row.spectrometerFeature(row.spectrometer, implementation,
                                                       saturationFeature(row.gainReference)));
        } else {
            features.push_back(auxiliaryFeature(entry, row.endpoints));
        }
    }
}

ProtocolFamily LegacyDevice::getSupportedProtocol(const FeatureFamily&,
                                                  const BusFamily& busFamily) const {
    const BusFamilies buses;
    if (busFamily.equals(buses.USB) || (speaksOverTCPIPv4 && busFamily.equals(buses.TCPIPv4)))
        return api::ProtocolFamilies().LEGACY_USB_PROTOCOL;
    return api::ProtocolFamilies().UNDEFINED_PROTOCOL;
}

}  // namespace spectro
