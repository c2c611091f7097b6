#pragma once

// The spectrometer feature of every model: constants from the model's data sheet, the
// protocol implementation it is given, and (for gain-adjusted models) the saturation
// feature it owns. Framed Binary Protocol models also take the factory of their
// wavelength-calibration protocol, since they keep no information slots.

#include <cstdint>
#include <memory>

#include "device/features/SpectrometerFeature.h"

namespace spectro {

class HR2000PlusSpectrometerFeature : public SpectrometerFeature {
  public:
    explicit HR2000PlusSpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation);
};

class Maya2000ProSpectrometerFeature : public GainAdjustedSpectrometerFeature {
  public:
    Maya2000ProSpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation,
                                   std::unique_ptr<ProgrammableSaturationFeatureBase> saturation);
};

class MayaLSLSpectrometerFeature : public GainAdjustedSpectrometerFeature {
  public:
    MayaLSLSpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation,
                               std::unique_ptr<ProgrammableSaturationFeatureBase> saturation);
};

class ApexSpectrometerFeature : public GainAdjustedSpectrometerFeature {
  public:
    ApexSpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation,
                            std::unique_ptr<ProgrammableSaturationFeatureBase> saturation);
};

class Maya2000SpectrometerFeature : public SpectrometerFeature {
  public:
    explicit Maya2000SpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation);
};

class HR2000SpectrometerFeature : public SpectrometerFeature {
  public:
    explicit HR2000SpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation);
};

class USB2000SpectrometerFeature : public SpectrometerFeature {
  public:
    explicit USB2000SpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation);
};

class USB2000PlusSpectrometerFeature : public GainAdjustedSpectrometerFeature {
  public:
    USB2000PlusSpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation,
                                   std::unique_ptr<ProgrammableSaturationFeatureBase> saturation);
};

class USB4000SpectrometerFeature : public GainAdjustedSpectrometerFeature {
  public:
    USB4000SpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation,
                               std::unique_ptr<ProgrammableSaturationFeatureBase> saturation);
};

class HR4000SpectrometerFeature : public SpectrometerFeature {
  public:
    explicit HR4000SpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation);
};

class JazSpectrometerFeature : public GainAdjustedSpectrometerFeature {
  public:
    JazSpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation,
                           std::unique_ptr<ProgrammableSaturationFeatureBase> saturation);
};

class QE65000SpectrometerFeature : public SpectrometerFeature {
  public:
    explicit QE65000SpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation);

  protected:
    // The QE65000 numbers its pixels from -10.
    std::unique_ptr<WaveCalFeatureInterface> createWavelengthFeature(
        unsigned int pixels) const override;
};

// NIRQuest256 and NIRQuest512: the model gives the pixel count (256 or 512).
class NIRQuestSpectrometerFeature : public GainAdjustedSpectrometerFeature {
  public:
    NIRQuestSpectrometerFeature(int numberOfPixels, std::unique_ptr<ProtocolHelper> implementation,
                                std::unique_ptr<ProgrammableSaturationFeatureBase> saturation);
};

class FlameNIRSpectrometerFeature : public GainAdjustedSpectrometerFeature {
  public:
    FlameNIRSpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation,
                                std::unique_ptr<ProgrammableSaturationFeatureBase> saturation);
};

class STSSpectrometerFeature : public SpectrometerFeature {
  public:
    STSSpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation,
                           WaveCalProtocolFactory waveCalProtocol);

    // Asks for the wavelengths of all 1024 pixels and averages groups of 2^binningFactor.
    std::vector<double> getWavelengths(const Protocol& protocol, const Bus& bus) override;

    std::uint8_t getBinningFactor() const { return binningFactor; }
    // The host side of pixel binning: 1024 >> factor pixels. Factors above 10 would leave no
    // pixel and are refused with IllegalArgumentException.
    void setBinningFactor(std::uint8_t factor);

    static constexpr int UNBINNED_PIXELS = 1024;
    static constexpr std::uint8_t MAXIMUM_BINNING_FACTOR = 10;

  private:
    std::uint8_t binningFactor = 0;
};

class SparkSpectrometerFeature : public SpectrometerFeature {
  public:
    SparkSpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation,
                             WaveCalProtocolFactory waveCalProtocol);
};

class QEProSpectrometerFeature : public SpectrometerFeature {
  public:
    QEProSpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation,
                             WaveCalProtocolFactory waveCalProtocol);
};

class VentanaSpectrometerFeature : public SpectrometerFeature {
  public:
    VentanaSpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation,
                               WaveCalProtocolFactory waveCalProtocol);
};

class BlazeSpectrometerFeature : public GainAdjustedSpectrometerFeature {
  public:
    BlazeSpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation,
                             std::unique_ptr<ProgrammableSaturationFeatureBase> saturation,
                             WaveCalProtocolFactory waveCalProtocol);
};

}  // namespace spectro
