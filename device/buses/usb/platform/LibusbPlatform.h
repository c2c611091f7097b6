#pragma once

#include "device/buses/usb/platform/UsbPlatform.h"

struct libusb_context;

namespace spectro {

// The real units, through libusb. A unit's path is built from its bus number, port chain and
// device address ("001-2.1:005"), so a re-plugged unit gets a new path. When libusb cannot
// start (a machine without USB support) no unit is ever listed. Reads ask for whole packets
// and keep what a read did not take for the next read of the same endpoint.
class LibusbPlatform : public UsbPlatform {
  public:
    LibusbPlatform();
    ~LibusbPlatform() override;
    LibusbPlatform(const LibusbPlatform&) = delete;
    LibusbPlatform& operator=(const LibusbPlatform&) = delete;

    std::vector<UsbUnitInfo> enumerate() override;
    std::unique_ptr<UsbConnection> open(const std::string& path) override;

    bool available() const { return context_ != nullptr; }

  private:
    libusb_context* context_ = nullptr;
};

}  // namespace spectro
