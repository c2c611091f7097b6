#pragma once

#include <cstdint>

namespace spectro {

// One trigger-mode value. The feature gives the numbers no meaning beyond membership in its
// list; the device decides what they do (0 is the application's "Software", 1 "Hardware").
class SpectrometerTriggerMode {
  public:
    explicit SpectrometerTriggerMode(std::int32_t triggerMode) : triggerMode(triggerMode) {}
    virtual ~SpectrometerTriggerMode() = default;
    SpectrometerTriggerMode(const SpectrometerTriggerMode&) = default;
    SpectrometerTriggerMode& operator=(const SpectrometerTriggerMode&) = default;

    std::int32_t getTriggerMode() const { return triggerMode; }
    bool operator==(const SpectrometerTriggerMode& other) const {
        return triggerMode == other.triggerMode;
    }

  private:
    std::int32_t triggerMode;
};

}  // namespace spectro
