#pragma once

// The spectrometer feature of every model. The legacy models take their constants from their
// row of the model table and build their protocol implementation through the factory they are
// given; the gain-adjusted ones own the saturation feature they scale with. Framed Binary
// Protocol models keep their constants here and take the factory of their wavelength-calibration
// protocol, since they keep no information slots.

#include <cstdint>
#include <memory>

#include "device/features/SpectrometerFeature.h"

namespace spectro {

class HR2000PlusSpectrometerFeature : public SpectrometerFeature {
  public:
    using SpectrometerFeature::SpectrometerFeature;
};

class Maya2000SpectrometerFeature : public SpectrometerFeature {
  public:
    using SpectrometerFeature::SpectrometerFeature;
};

class HR2000SpectrometerFeature : public SpectrometerFeature {
  public:
    using SpectrometerFeature::SpectrometerFeature;
};

class USB2000SpectrometerFeature : public SpectrometerFeature {
  public:
    using SpectrometerFeature::SpectrometerFeature;
};

class HR4000SpectrometerFeature : public SpectrometerFeature {
  public:
    using SpectrometerFeature::SpectrometerFeature;
};

class QE65000SpectrometerFeature : public SpectrometerFeature {
  public:
    using SpectrometerFeature::SpectrometerFeature;

  protected:
    // The QE65000 numbers its pixels from -10.
    std::unique_ptr<WaveCalFeatureInterface> createWavelengthFeature(
        unsigned int pixels) const override;
};

class Maya2000ProSpectrometerFeature : public GainAdjustedSpectrometerFeature {
  public:
    using GainAdjustedSpectrometerFeature::GainAdjustedSpectrometerFeature;
};

class MayaLSLSpectrometerFeature : public GainAdjustedSpectrometerFeature {
  public:
    using GainAdjustedSpectrometerFeature::GainAdjustedSpectrometerFeature;
};

class ApexSpectrometerFeature : public GainAdjustedSpectrometerFeature {
  public:
    using GainAdjustedSpectrometerFeature::GainAdjustedSpectrometerFeature;
};

class USB2000PlusSpectrometerFeature : public GainAdjustedSpectrometerFeature {
  public:
    using GainAdjustedSpectrometerFeature::GainAdjustedSpectrometerFeature;
};

class USB4000SpectrometerFeature : public GainAdjustedSpectrometerFeature {
  public:
    using GainAdjustedSpectrometerFeature::GainAdjustedSpectrometerFeature;
};

class JazSpectrometerFeature : public GainAdjustedSpectrometerFeature {
  public:
    using GainAdjustedSpectrometerFeature::GainAdjustedSpectrometerFeature;
};

// NIRQuest256 and NIRQuest512: the model's constants give the pixel count (256 or 512).
class NIRQuestSpectrometerFeature : public GainAdjustedSpectrometerFeature {
  public:
    using GainAdjustedSpectrometerFeature::GainAdjustedSpectrometerFeature;
};

class FlameNIRSpectrometerFeature : public GainAdjustedSpectrometerFeature {
  public:
    using GainAdjustedSpectrometerFeature::GainAdjustedSpectrometerFeature;
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
