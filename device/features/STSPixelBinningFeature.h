#pragma once

#include <cstdint>
#include <memory>

#include "device/features/ForwardingFeatures.h"
#include "device/features/SpectrometerModelFeatures.h"

namespace spectro {

// Pixel binning of the STS: the unit adds 2^factor neighbouring pixels, and the host's
// spectrometer feature follows with its pixel count and read lengths. The host state starts
// unbinned whatever the unit was left at. One device, one thread at a time.
class STSPixelBinningFeature : public PixelBinningFeatureInterface, public FeatureImpl {
  public:
    // `spectrometerFeature` is the device's own (borrowed; may be none).
    STSPixelBinningFeature(std::unique_ptr<ProtocolHelper> implementation,
                           STSSpectrometerFeature* spectrometerFeature);

    // Refused above the unit's largest factor, and above 10 (no pixel would be left) before
    // anything is sent.
    void setPixelBinningFactor(const Protocol& protocol, const Bus& bus,
                               std::uint8_t factor) override;
    // What the unit reports; the spectrometer feature is not touched.
    std::uint8_t getPixelBinningFactor(const Protocol& protocol, const Bus& bus) override;
    void resetDefaultPixelBinningFactor(const Protocol& protocol, const Bus& bus) override;
    void setDefaultPixelBinningFactor(const Protocol& protocol, const Bus& bus,
                                      std::uint8_t factor) override;
    std::uint8_t getDefaultPixelBinningFactor(const Protocol& protocol, const Bus& bus) override;
    std::uint8_t getMaxPixelBinningFactor(const Protocol& protocol, const Bus& bus) override;
    FeatureFamily getFeatureFamily() override;

    static constexpr const char* UNSUPPORTED_FACTOR = "Specified binning factor is not supported.";

  private:
    STSSpectrometerFeature* spectrometerFeature;
};

}  // namespace spectro
