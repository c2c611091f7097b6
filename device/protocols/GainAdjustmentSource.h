#pragma once

#include <cstdint>

namespace spectro {

// What a gain-adjusting spectrum decoder asks of the spectrometer feature that owns it: the
// ceiling a pixel can report and the level at which the detector saturates. The feature hands
// itself out as this interface, so decoders never see the feature itself.
class GainAdjustmentSource {
  public:
    virtual ~GainAdjustmentSource() = default;
    virtual int getMaximumIntensity() const = 0;
    // Never 0.
    virtual int getSaturationLevel() = 0;
};

// Gain adjustment of a decoded word w, with M the maximum intensity and S the saturation
// level: (A) min(M, w x M / S) and (B) min(M, w x (M / S)) with the factor M / S formed once.
// The two orders may differ in the last bit; each format keeps its own.
inline double gainAdjustedA(std::uint16_t w, double M, double S) {
    const double value = (w * M) / S;
    return value < M ? value : M;
}
inline double gainAdjustedB(std::uint16_t w, double M, double factor) {
    const double value = w * factor;
    return value < M ? value : M;
}

}  // namespace spectro
