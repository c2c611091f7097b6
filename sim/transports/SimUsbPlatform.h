#pragma once

#include <memory>

#include "device/buses/usb/platform/UsbPlatform.h"
#include "sim/SimBench.h"

namespace spectro::sim {

// The USB platform of quillfen-sim: it lists the bench's units that are still plugged in, in
// bench order, and moves bulk transfers to and from them, whatever their protocol. Reads wait as a
// real pipe does; a read with nothing pending fails at once.
class SimUsbPlatform final : public UsbPlatform {
  public:
    explicit SimUsbPlatform(std::shared_ptr<SimBench> bench);

    std::vector<UsbUnitInfo> enumerate() override;
    std::unique_ptr<UsbConnection> open(const std::string& path) override;

  private:
    std::shared_ptr<SimBench> bench_;
};

}  // namespace spectro::sim
