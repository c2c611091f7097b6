#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace spectro {

// A kind of feature, compared by its 16-bit type.
class FeatureFamily {
  public:
    FeatureFamily(std::string name, std::uint16_t type) : name(std::move(name)), type(type) {}
    virtual ~FeatureFamily() = default;
    FeatureFamily(const FeatureFamily&) = default;
    FeatureFamily& operator=(const FeatureFamily&) = default;

    virtual std::string getName() const { return name; }
    virtual bool equals(const FeatureFamily& other) const { return type == other.type; }
    virtual std::uint16_t getType() const { return type; }

  protected:
    std::string name;
    std::uint16_t type;
};

namespace api {

class UndefinedFeatureFamily : public FeatureFamily {
  public:
    UndefinedFeatureFamily() : FeatureFamily("Undefined", 0) {}
};

class SerialNumberFeatureFamily : public FeatureFamily {
  public:
    SerialNumberFeatureFamily() : FeatureFamily("SerialNumber", 1) {}
};

class SpectrometerFeatureFamily : public FeatureFamily {
  public:
    SpectrometerFeatureFamily() : FeatureFamily("Spectrometer", 2) {}
};

class ThermoElectricFeatureFamily : public FeatureFamily {
  public:
    ThermoElectricFeatureFamily() : FeatureFamily("ThermoElectric", 3) {}
};

class IrradCalFeatureFamily : public FeatureFamily {
  public:
    IrradCalFeatureFamily() : FeatureFamily("IrradianceCalibration", 4) {}
};

class EEPROMFeatureFamily : public FeatureFamily {
  public:
    EEPROMFeatureFamily() : FeatureFamily("EEPROM", 5) {}
};

class LightSourceFeatureFamily : public FeatureFamily {
  public:
    LightSourceFeatureFamily() : FeatureFamily("LightSource", 13) {}
};

class StrobeLampFeatureFamily : public FeatureFamily {
  public:
    StrobeLampFeatureFamily() : FeatureFamily("StrobeLampEnable", 6) {}
};

class ContinuousStrobeFeatureFamily : public FeatureFamily {
  public:
    ContinuousStrobeFeatureFamily() : FeatureFamily("ContinuousStrobe", 12) {}
};

class ShutterFeatureFamily : public FeatureFamily {
  public:
    ShutterFeatureFamily() : FeatureFamily("Shutter", 7) {}
};

class WaveCalFeatureFamily : public FeatureFamily {
  public:
    WaveCalFeatureFamily() : FeatureFamily("WavelengthCalibration", 8) {}
};

class NonlinearityCoeffsFeatureFamily : public FeatureFamily {
  public:
    NonlinearityCoeffsFeatureFamily() : FeatureFamily("NonlinearityCoeffs", 9) {}
};

class TemperatureFeatureFamily : public FeatureFamily {
  public:
    TemperatureFeatureFamily() : FeatureFamily("Temperature", 14) {}
};

class RevisionFeatureFamily : public FeatureFamily {
  public:
    RevisionFeatureFamily() : FeatureFamily("Revision", 16) {}
};

class OpticalBenchFeatureFamily : public FeatureFamily {
  public:
    OpticalBenchFeatureFamily() : FeatureFamily("OpticalBench", 15) {}
};

class SpectrumProcessingFeatureFamily : public FeatureFamily {
  public:
    SpectrumProcessingFeatureFamily() : FeatureFamily("SpectrumProcessing", 17) {}
};

class StrayLightCoeffsFeatureFamily : public FeatureFamily {
  public:
    StrayLightCoeffsFeatureFamily() : FeatureFamily("StrayLightCoeffs", 10) {}
};

class RawUSBBusAccessFeatureFamily : public FeatureFamily {
  public:
    RawUSBBusAccessFeatureFamily() : FeatureFamily("RawUSBBusAccess", 11) {}
};

class DataBufferFeatureFamily : public FeatureFamily {
  public:
    DataBufferFeatureFamily() : FeatureFamily("DataBuffer", 18) {}
};

class AcquisitionDelayFeatureFamily : public FeatureFamily {
  public:
    AcquisitionDelayFeatureFamily() : FeatureFamily("AcquisitionDelay", 19) {}
};

class PixelBinningFeatureFamily : public FeatureFamily {
  public:
    PixelBinningFeatureFamily() : FeatureFamily("PixelBinning", 20) {}
};

class ExtraFeaturesCollectionFamily : public FeatureFamily {
  public:
    ExtraFeaturesCollectionFamily() : FeatureFamily("ExtraFeaturesCollection", 21) {}
};

// One instance of every feature family, in table order.
class FeatureFamilies {
  public:
    const UndefinedFeatureFamily UNDEFINED;
    const SerialNumberFeatureFamily SERIAL_NUMBER;
    const SpectrometerFeatureFamily SPECTROMETER;
    const ThermoElectricFeatureFamily THERMOELECTRIC;
    const IrradCalFeatureFamily IRRAD_CAL;
    const EEPROMFeatureFamily EEPROM;
    const LightSourceFeatureFamily LIGHT_SOURCE;
    const StrobeLampFeatureFamily STROBE_LAMP_ENABLE;
    const ContinuousStrobeFeatureFamily CONTINUOUS_STROBE;
    const ShutterFeatureFamily SHUTTER;
    const WaveCalFeatureFamily WAVELENGTH_CAL;
    const NonlinearityCoeffsFeatureFamily NONLINEARITY_COEFFS;
    const TemperatureFeatureFamily TEMPERATURE;
    const RevisionFeatureFamily REVISION;
    const OpticalBenchFeatureFamily OPTICAL_BENCH;
    const SpectrumProcessingFeatureFamily SPECTRUM_PROCESSING;
    const StrayLightCoeffsFeatureFamily STRAY_LIGHT_COEFFS;
    const RawUSBBusAccessFeatureFamily RAW_USB_BUS_ACCESS;
    const DataBufferFeatureFamily DATA_BUFFER;
    const AcquisitionDelayFeatureFamily ACQUISITION_DELAY;
    const PixelBinningFeatureFamily PIXEL_BINNING;
    const ExtraFeaturesCollectionFamily EXTRA_FEATURES_COLLECTION;

    std::vector<FeatureFamily> getAllFeatureFamilies() const {
        return {UNDEFINED,          SERIAL_NUMBER,
                SPECTROMETER,       THERMOELECTRIC,
                IRRAD_CAL,          EEPROM,
                LIGHT_SOURCE,       STROBE_LAMP_ENABLE,
                CONTINUOUS_STROBE,  SHUTTER,
                WAVELENGTH_CAL,     NONLINEARITY_COEFFS,
                TEMPERATURE,        REVISION,
                OPTICAL_BENCH,      SPECTRUM_PROCESSING,
                STRAY_LIGHT_COEFFS, RAW_USB_BUS_ACCESS,
                DATA_BUFFER,        ACQUISITION_DELAY,
                PIXEL_BINNING,      EXTRA_FEATURES_COLLECTION};
    }
};

}  // namespace api
}  // namespace spectro
