#pragma once

// The spectrometer feature of every model. The legacy models take their constants from their
// row of the model table and build their protocol implementation through the factory they are
// given; the gain-adjusted ones own the saturation feature they scale with. Framed Binary
// Protocol models keep their constants here and take the factory of their wavelength-calibration
// protocol, since they keep no information slots.

#include <cstdint>
#include <memory>

#include "device/features/SpectrometerFeature.h"
#include "device/protocols/fbp/FBPSpectrumExchanges.h"

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
    // The model's constants, for sizing its exchanges before the feature exists.
    static const SpectrometerConstants& modelConstants();
    // `unformattedRead` and `formattedRead` are the two read exchanges of `implementation`
    // (it owns them); binning resizes them. Without them binning changes only the pixel count.
    STSSpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation,
                           WaveCalProtocolFactory waveCalProtocol,
                           framedBinaryProtocol::FBPReadRawSpectrumExchange* unformattedRead = nullptr,
                           framedBinaryProtocol::FBPReadRawSpectrumExchange* formattedRead = nullptr);

    // Asks for the wavelengths of all 1024 pixels and averages groups of 2^binningFactor.
    std::vector<double> getWavelengths(const Protocol& protocol, const Bus& bus) override;

    std::uint8_t getBinningFactor() const { return binningFactor; }
    // The host side of pixel binning: 1024 >> factor pixels, and both read exchanges resized
    // to 2 bytes a pixel plus the 64 bytes of the message around them. Factors above 10 would
    // leave no pixel and are refused with IllegalArgumentException.
    void setBinningFactor(std::uint8_t factor);

    static constexpr int UNBINNED_PIXELS = 1024;
    static constexpr std::uint8_t MAXIMUM_BINNING_FACTOR = 10;

  private:
    framedBinaryProtocol::FBPReadRawSpectrumExchange* unformattedRead;
    framedBinaryProtocol::FBPReadRawSpectrumExchange* formattedRead;
    std::uint8_t binningFactor = 0;
};

class SparkSpectrometerFeature : public SpectrometerFeature {
  public:
    // The model's constants, for sizing its exchanges before the feature exists.
    static const SpectrometerConstants& modelConstants();
    SparkSpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation,
                             WaveCalProtocolFactory waveCalProtocol);
};

class QEProSpectrometerFeature : public SpectrometerFeature {
  public:
    // The model's constants, for sizing its exchanges before the feature exists.
    static const SpectrometerConstants& modelConstants();
    QEProSpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation,
                             WaveCalProtocolFactory waveCalProtocol);
};

class VentanaSpectrometerFeature : public SpectrometerFeature {
  public:
    // The model's constants, for sizing its exchanges before the feature exists.
    static const SpectrometerConstants& modelConstants();
    VentanaSpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation,
                               WaveCalProtocolFactory waveCalProtocol);
};

class BlazeSpectrometerFeature : public GainAdjustedSpectrometerFeature {
  public:
    // The model's constants, for sizing its exchanges before the feature exists.
    static const SpectrometerConstants& modelConstants();
    BlazeSpectrometerFeature(std::unique_ptr<ProtocolHelper> implementation,
                             std::unique_ptr<ProgrammableSaturationFeatureBase> saturation,
                             WaveCalProtocolFactory waveCalProtocol);
    // The formatted read of the implementation scales with this feature's saturation level.
    BlazeSpectrometerFeature(const SpectrometerProtocolFactory& implementation,
                             std::unique_ptr<ProgrammableSaturationFeatureBase> saturation,
                             WaveCalProtocolFactory waveCalProtocol);
};

}  // namespace spectro
