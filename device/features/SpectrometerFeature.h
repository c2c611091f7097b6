#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "device/common/Feature.h"
#include "device/protocols/GainAdjustmentSource.h"
#include "device/protocols/ProtocolInterfaces.h"
#include "device/protocols/SpectrometerTriggerMode.h"
#include "device/features/SaturationFeature.h"
#include "device/features/WaveCalFeature.h"

namespace spectro {

class SpectrometerFeatureInterface : public virtual Feature {
  public:
    // Requests and reads one formatted spectrum; none when the implementation yields no
    // spectrum data.
    virtual std::optional<std::vector<double>> getSpectrum(const Protocol& protocol,
                                                           const Bus& bus) = 0;
    virtual std::vector<std::uint8_t> getRawSpectrum(const Protocol& protocol, const Bus& bus) = 0;
    virtual std::vector<double> getWavelengths(const Protocol& protocol, const Bus& bus) = 0;
    virtual std::vector<std::uint8_t> readRawSpectrum(const Protocol& protocol, const Bus& bus) = 0;
    virtual void setIntegrationTimeMicros(const Protocol& protocol, const Bus& bus,
                                          std::uint32_t micros) = 0;
    virtual void requestSpectrum(const Protocol& protocol, const Bus& bus) = 0;
    virtual void setTriggerMode(const Protocol& protocol, const Bus& bus,
                                const SpectrometerTriggerMode& mode) = 0;
    virtual std::vector<SpectrometerTriggerMode> getTriggerModes() const = 0;
    virtual std::vector<std::uint32_t> getElectricDarkPixelIndices() const = 0;
    virtual int getIntegrationTimeMinimum() const = 0;
    virtual int getIntegrationTimeMaximum() const = 0;
    virtual int getIntegrationTimeIncrement() const = 0;
    virtual int getNumberOfPixels() const = 0;
    virtual int getMaximumIntensity() const = 0;
};

// The constants that tell one detector from another.
struct SpectrometerConstants {
    int numberOfPixels;
    int maxIntensity;
    int integrationTimeMinimum;    // microseconds
    int integrationTimeMaximum;    // microseconds
    int integrationTimeBase;       // divisor of the range check (1 or 1000); legacy units
                                   // also count their integration time command in it
    int integrationTimeIncrement;  // microseconds, reported only
    std::vector<std::pair<std::uint32_t, std::uint32_t>> darkPixelRanges;  // inclusive
    std::vector<std::int32_t> triggerModes;
};

// Builds the wavelength-calibration protocol implementation of devices that keep their
// wavelength polynomial behind a protocol rather than in information slots.
using WaveCalProtocolFactory = std::function<std::unique_ptr<ProtocolHelper>()>;

// Builds the spectrometer protocol implementation of a feature, given the feature itself as
// the source its spectrum decoders take the gain adjustment from (they keep it borrowed).
using SpectrometerProtocolFactory =
    std::function<std::unique_ptr<ProtocolHelper>(GainAdjustmentSource& feature)>;

// All of the spectrometer logic: arguments are checked against the model's constants
// before anything reaches the bus. A model's subclass only chooses the constants and the
// protocol implementation. One device, one thread at a time.
class SpectrometerFeature : public SpectrometerFeatureInterface,
                            public FeatureImpl,
                            public GainAdjustmentSource {
  public:
    SpectrometerFeature(const SpectrometerConstants& constants,
                        std::unique_ptr<ProtocolHelper> implementation,
                        WaveCalProtocolFactory waveCalProtocol = {});
    // The feature builds its implementation itself, handing the factory a reference to
    // itself; nothing may use that reference before the constructor has finished.
    SpectrometerFeature(const SpectrometerConstants& constants,
                        const SpectrometerProtocolFactory& implementation,
                        WaveCalProtocolFactory waveCalProtocol = {});

    std::optional<std::vector<double>> getSpectrum(const Protocol& protocol,
                                                   const Bus& bus) override;
    std::vector<std::uint8_t> getRawSpectrum(const Protocol& protocol, const Bus& bus) override;
    std::vector<double> getWavelengths(const Protocol& protocol, const Bus& bus) override;
    std::vector<std::uint8_t> readRawSpectrum(const Protocol& protocol, const Bus& bus) override;
    void setIntegrationTimeMicros(const Protocol& protocol, const Bus& bus,
                                  std::uint32_t micros) override;
    void requestSpectrum(const Protocol& protocol, const Bus& bus) override;
    void setTriggerMode(const Protocol& protocol, const Bus& bus,
                        const SpectrometerTriggerMode& mode) override;
    std::vector<SpectrometerTriggerMode> getTriggerModes() const override { return triggerModes; }
    std::vector<std::uint32_t> getElectricDarkPixelIndices() const override {
        return electricDarkPixelIndices;
    }
    int getIntegrationTimeMinimum() const override { return integrationTimeMinimum; }
    int getIntegrationTimeMaximum() const override { return integrationTimeMaximum; }
    int getIntegrationTimeIncrement() const override { return integrationTimeIncrement; }
    int getNumberOfPixels() const override { return numberOfPixels; }
    int getMaximumIntensity() const override { return maxIntensity; }
    // The level formatted spectra are scaled from; without a saturation feature, the ceiling.
    int getSaturationLevel() override { return maxIntensity; }
    FeatureFamily getFeatureFamily() override;

  protected:
    // The temporary feature getWavelengths asks for `pixels` wavelengths: the information
    // slots, or the wavelength protocol when the model names one.
    virtual std::unique_ptr<WaveCalFeatureInterface> createWavelengthFeature(
        unsigned int pixels) const;

    int numberOfPixels;
    int maxIntensity;
    int integrationTimeMinimum;
    int integrationTimeMaximum;
    int integrationTimeBase;
    int integrationTimeIncrement;
    std::vector<SpectrometerTriggerMode> triggerModes;
    std::vector<std::uint32_t> electricDarkPixelIndices;

  private:
    SpectrometerProtocolInterface& implementation(const Protocol& protocol,
                                                  const char* notFound) const;

    WaveCalProtocolFactory waveCalProtocol;
};

// A spectrometer whose formatted spectra are rescaled by the ratio of its intensity ceiling
// to the saturation level the device reports.
class GainAdjustedSpectrometerFeature : public SpectrometerFeature {
  public:
    GainAdjustedSpectrometerFeature(const SpectrometerConstants& constants,
                                    std::unique_ptr<ProtocolHelper> implementation,
                                    std::unique_ptr<ProgrammableSaturationFeatureBase> saturation,
                                    WaveCalProtocolFactory waveCalProtocol = {});
    GainAdjustedSpectrometerFeature(const SpectrometerConstants& constants,
                                    const SpectrometerProtocolFactory& implementation,
                                    std::unique_ptr<ProgrammableSaturationFeatureBase> saturation,
                                    WaveCalProtocolFactory waveCalProtocol = {});

    // Lets the saturation feature read and cache its level.
    bool initialize(const Protocol& protocol, const Bus& bus) override;
    // The cached saturation level, or maxIntensity when none is known or it is out of range.
    int getSaturationLevel() override;

  private:
    void requireSaturation() const;

    std::unique_ptr<ProgrammableSaturationFeatureBase> saturationFeature;
};

}  // namespace spectro
