#pragma once

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

}  // namespace spectro
