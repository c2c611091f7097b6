#pragma once

// The contracts between features and protocol implementations. A protocol implementation
// derives first from one of these interfaces and then from ProtocolHelper; the feature that
// holds it finds it by protocol id and reaches it through the interface. Every operation
// takes the bus the exchange runs over. Operations appear in the slot order of the
// original interfaces.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/common/Bus.h"

namespace spectro {

class SpectrometerTriggerMode;

class SpectrometerProtocolInterface {
  public:
    virtual ~SpectrometerProtocolInterface() = default;
    virtual std::vector<std::uint8_t> readUnformattedSpectrum(const Bus& bus) = 0;
    // None when the exchange yields a kind of data that is not a spectrum.
    virtual std::optional<std::vector<double>> readFormattedSpectrum(const Bus& bus) = 0;
    virtual void requestSpectrum(const Bus& bus) = 0;
    virtual void setIntegrationTimeMicros(const Bus& bus, std::uint32_t micros) = 0;
    virtual void setTriggerMode(const Bus& bus, const SpectrometerTriggerMode& mode) = 0;
};

class EEPROMProtocolInterface {
  public:
    virtual ~EEPROMProtocolInterface() = default;
    // The slot contents, or none.
    virtual std::optional<std::vector<std::uint8_t>> readEEPROMSlot(const Bus& bus,
                                                                    unsigned int slot) = 0;
    virtual int writeEEPROMSlot(const Bus& bus, unsigned int slot,
                                const std::vector<std::uint8_t>& data) = 0;
};

class SerialNumberProtocolInterface {
  public:
    virtual ~SerialNumberProtocolInterface() = default;
    virtual std::string readSerialNumber(const Bus& bus) = 0;
    virtual std::uint8_t readSerialNumberMaximumLength(const Bus& bus) = 0;
};

class WaveCalProtocolInterface {
  public:
    virtual ~WaveCalProtocolInterface() = default;
    // The polynomial coefficients, constant term first.
    virtual std::vector<double> readWavelengthCoeffs(const Bus& bus) = 0;
};

class StrayLightCoeffsProtocolInterface {
  public:
    virtual ~StrayLightCoeffsProtocolInterface() = default;
    virtual std::optional<std::vector<double>> readStrayLightCoeffs(const Bus& bus) = 0;
};

class NonlinearityCoeffsProtocolInterface {
  public:
    virtual ~NonlinearityCoeffsProtocolInterface() = default;
    virtual std::optional<std::vector<double>> readNonlinearityCoeffs(const Bus& bus) = 0;
};

class ProgrammableSaturationProtocolInterface {
  public:
    virtual ~ProgrammableSaturationProtocolInterface() = default;
    virtual std::uint32_t getSaturation(const Bus& bus) = 0;
};

class StrobeLampProtocolInterface {
  public:
    virtual ~StrobeLampProtocolInterface() = default;
    virtual void setStrobeLampEnable(const Bus& bus, bool enable) = 0;
};

class ContinuousStrobeProtocolInterface {
  public:
    virtual ~ContinuousStrobeProtocolInterface() = default;
    virtual bool setContinuousStrobePeriodMicroseconds(const Bus& bus, std::uint16_t index,
                                                       std::uint32_t period) = 0;
    virtual bool setContinuousStrobeEnable(const Bus& bus, std::uint16_t index, bool enable) = 0;
};

class FPGARegisterProtocolInterface {
  public:
    virtual ~FPGARegisterProtocolInterface() = default;
    virtual std::uint16_t readRegister(const Bus& bus, std::uint8_t address) = 0;
    virtual void writeRegister(const Bus& bus, std::uint8_t address, std::uint16_t value) = 0;
};

class AcquisitionDelayProtocolInterface {
  public:
    virtual ~AcquisitionDelayProtocolInterface() = default;
    virtual void setAcquisitionDelayMicroseconds(const Bus& bus, std::uint32_t micros) = 0;
};

class ThermoElectricProtocolInterface {
  public:
    virtual ~ThermoElectricProtocolInterface() = default;
    virtual double readTECTemperature(const Bus& bus) = 0;
    virtual void setTECEnable(const Bus& bus, bool enable) = 0;
    virtual void setTECSetPoint(const Bus& bus, double degreesC) = 0;
};

class IrradCalProtocolInterface {
  public:
    virtual ~IrradCalProtocolInterface() = default;
    virtual std::vector<float> readIrradCal(const Bus& bus) = 0;
    virtual int writeIrradCal(const Bus& bus, const std::vector<float>& values) = 0;
    virtual bool hasCollectionArea(const Bus& bus) = 0;
    virtual double readCollectionArea(const Bus& bus) = 0;
    virtual void writeCollectionArea(const Bus& bus, double area) = 0;
};

class ShutterProtocolInterface {
  public:
    virtual ~ShutterProtocolInterface() = default;
    virtual bool setShutterOpen(const Bus& bus, bool open) = 0;
};

class TemperatureProtocolInterface {
  public:
    virtual ~TemperatureProtocolInterface() = default;
    virtual std::uint8_t countTemperatures(const Bus& bus) = 0;
    virtual double readTemperature(const Bus& bus, int index) = 0;
    virtual std::optional<std::vector<double>> readAllTemperatures(const Bus& bus) = 0;
};

class RevisionProtocolInterface {
  public:
    virtual ~RevisionProtocolInterface() = default;
    virtual std::uint8_t readHardwareRevision(const Bus& bus) = 0;
    virtual std::uint16_t readFirmwareRevision(const Bus& bus) = 0;
};

class OpticalBenchProtocolInterface {
  public:
    virtual ~OpticalBenchProtocolInterface() = default;
    virtual std::string readOpticalBenchID(const Bus& bus) = 0;
    virtual std::string readOpticalBenchSerialNumber(const Bus& bus) = 0;
    virtual std::uint16_t readOpticalBenchSlitWidthMicrons(const Bus& bus) = 0;
    virtual std::uint16_t readOpticalBenchFiberDiameterMicrons(const Bus& bus) = 0;
    virtual std::string readOpticalBenchGrating(const Bus& bus) = 0;
    virtual std::string readOpticalBenchFilter(const Bus& bus) = 0;
    virtual std::string readOpticalBenchCoating(const Bus& bus) = 0;
};

class SpectrumProcessingProtocolInterface {
  public:
    virtual ~SpectrumProcessingProtocolInterface() = default;
    virtual std::uint8_t readBoxcarWidth(const Bus& bus) = 0;
    virtual std::uint16_t readScansToAverage(const Bus& bus) = 0;
    virtual void writeBoxcarWidth(const Bus& bus, std::uint8_t width) = 0;
    virtual void writeScansToAverage(const Bus& bus, std::uint16_t scans) = 0;
};

class DataBufferProtocolInterface {
  public:
    virtual ~DataBufferProtocolInterface() = default;
    virtual void clearBuffer(const Bus& bus, std::uint8_t index) = 0;
    virtual std::uint32_t getNumberOfElements(const Bus& bus, std::uint8_t index) = 0;
    virtual std::uint32_t getBufferCapacity(const Bus& bus, std::uint8_t index) = 0;
    virtual std::uint32_t getBufferCapacityMinimum(const Bus& bus, std::uint8_t index) = 0;
    virtual std::uint32_t getBufferCapacityMaximum(const Bus& bus, std::uint8_t index) = 0;
    virtual void setBufferCapacity(const Bus& bus, std::uint8_t index, std::uint32_t capacity) = 0;
};

class LightSourceProtocolInterface {
  public:
    virtual ~LightSourceProtocolInterface() = default;
    virtual bool hasLightSourceEnable(const Bus& bus, int module, int source) = 0;
    virtual bool isLightSourceEnabled(const Bus& bus, int module, int source) = 0;
    virtual bool hasVariableIntensity(const Bus& bus, int module, int source) = 0;
    virtual void setLightSourceEnable(const Bus& bus, int module, int source, bool enable) = 0;
    virtual int getModuleCount() = 0;
    virtual int getLightSourceCount(int module) = 0;
};

// Light-source intensity as a floating-point value; reached by a run-time type test on the
// object that implements LightSourceProtocolInterface.
class LightSourceProtocolInterface_NormalizedIntensity {
  public:
    virtual ~LightSourceProtocolInterface_NormalizedIntensity() = default;
    virtual double getLightSourceIntensity(const Bus& bus, int module, int source) = 0;
    virtual void setLightSourceIntensity(const Bus& bus, int module, int source,
                                         double intensity) = 0;
    virtual double getLightSourceIntensityMinimum(const Bus& bus, int module, int source) = 0;
    virtual double getLightSourceIntensityMaximum(const Bus& bus, int module, int source) = 0;
};

// Light-source intensity as integer counts.
class LightSourceProtocolInterface_Counts {
  public:
    virtual ~LightSourceProtocolInterface_Counts() = default;
    virtual int getLightSourceIntensityCounts(const Bus& bus, int module, int source) = 0;
    virtual void setLightSourceIntensityCounts(const Bus& bus, int module, int source,
                                               int counts) = 0;
    virtual int getLightSourceIntensityMinimumCounts(const Bus& bus, int module, int source) = 0;
    virtual int getLightSourceIntensityMaximumCounts(const Bus& bus, int module, int source) = 0;
};

class PixelBinningProtocolInterface {
  public:
    virtual ~PixelBinningProtocolInterface() = default;
    virtual std::uint8_t readPixelBinningFactor(const Bus& bus) = 0;
    virtual void writePixelBinningFactor(const Bus& bus, std::uint8_t factor) = 0;
    virtual std::uint8_t readDefaultPixelBinningFactor(const Bus& bus) = 0;
    virtual void resetDefaultPixelBinningFactor(const Bus& bus) = 0;
    virtual void writeDefaultPixelBinningFactor(const Bus& bus, std::uint8_t factor) = 0;
    virtual std::uint8_t readMaxPixelBinningFactor(const Bus& bus) = 0;
};

}  // namespace spectro
