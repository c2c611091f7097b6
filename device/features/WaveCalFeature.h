#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "device/common/Feature.h"
#include "device/features/EEPROMSlotFeature.h"

namespace spectro {

class WaveCalFeatureInterface : public virtual Feature {
  public:
    // One wavelength in nanometres per pixel.
    virtual std::vector<double> getWavelengths(const Protocol& protocol, const Bus& bus) = 0;
};

// The wavelength of each of `pixels` pixels: the polynomial with the given coefficients
// (constant term first, any number of them) at x = pixel index + offset, the powers of x
// formed by repeated multiplication. No pixels give an empty list.
std::vector<double> evaluateWavelengthPolynomial(const std::vector<double>& coefficients,
                                                 std::size_t pixels, double offset = 0.0);

// The wavelength polynomial of a legacy device, kept as texts in information slots 1 to 4.
// A polynomial that cannot be parsed falls back to the identity (wavelength = pixel index).
class WavelengthEEPROMSlotFeature : public WaveCalFeatureInterface, public EEPROMSlotFeatureBase {
  public:
    static constexpr unsigned int FIRST_COEFFICIENT_SLOT = 1;
    static constexpr unsigned int COEFFICIENT_COUNT = 4;

    explicit WavelengthEEPROMSlotFeature(unsigned int numberOfPixels);
    WavelengthEEPROMSlotFeature(unsigned int numberOfPixels,
                                std::unique_ptr<ProtocolHelper> implementation);

    std::vector<double> getWavelengths(const Protocol& protocol, const Bus& bus) override;
    FeatureFamily getFeatureFamily() override;

  protected:
    // Added to the pixel index before the polynomial is evaluated.
    virtual double pixelOffset() const { return 0.0; }

    unsigned int numberOfPixels;
};

// The QE65000 numbers its pixels from -10.
class WavelengthEEPROMSlotFeature_QE65000 : public WavelengthEEPROMSlotFeature {
  public:
    using WavelengthEEPROMSlotFeature::WavelengthEEPROMSlotFeature;

  protected:
    double pixelOffset() const override { return -10.0; }
};

// The wavelength polynomial asked of a protocol implementation (Framed Binary Protocol).
class WaveCalFeature : public WaveCalFeatureInterface, public FeatureImpl {
  public:
    WaveCalFeature(std::unique_ptr<ProtocolHelper> implementation, unsigned int numberOfPixels);

    std::vector<double> getWavelengths(const Protocol& protocol, const Bus& bus) override;
    FeatureFamily getFeatureFamily() override;

  private:
    unsigned int numberOfPixels;
};

}  // namespace spectro
