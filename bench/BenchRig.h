#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "bench/BenchModels.h"
#include "device/api/ExtraFeaturesCollection.h"
#include "device/buses/usb/platform/USB.h"
#include "device/models/LegacyDevice.h"

namespace spectro::bench {

// Puts one replay unit per model, sending the model's ramp frame, on a platform of its own
// and installs it in the device table. Call once, before the first rig is opened.
void installReplayPlatform(const std::vector<BenchModel>& models);

// A model's device as the program uses it, built from its row and opened on its replay unit:
// its bus, that bus's USB object and its extra features collection. One thread.
class BenchRig {
  public:
    // Throws std::runtime_error when the unit is not found or does not open.
    explicit BenchRig(const BenchModel& model);
    ~BenchRig();
    BenchRig(const BenchRig&) = delete;
    BenchRig& operator=(const BenchRig&) = delete;

    const BenchModel& model() const { return model_; }
    const Bus& bus() const { return *bus_; }
    USB& usb() const { return *usb_; }
    ExtraFeaturesCollection& collection() const { return *collection_; }
    // The frame the unit sends for every request.
    const std::vector<std::uint8_t>& frame() const { return frame_; }

  private:
    const BenchModel& model_;
    LegacyDevice device;
    std::vector<std::uint8_t> frame_;
    Bus* bus_ = nullptr;
    USB* usb_ = nullptr;
    ExtraFeaturesCollection* collection_ = nullptr;
};

}  // namespace spectro::bench
