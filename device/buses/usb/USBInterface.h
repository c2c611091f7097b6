#pragma once

#include <memory>

#include "device/buses/usb/platform/USB.h"
#include "device/common/Bus.h"
#include "device/common/DeviceLocator.h"

namespace spectro {

// A bus over USB. It owns the platform USB object of the unit its location names.
class USBInterface : public Bus {
  public:
    // Derived buses drop their helpers (which borrow the USB object) before this runs; the
    // USB object's own destruction closes the unit if it is still open.
    ~USBInterface() override = default;

    BusFamily getBusFamily() const override { return BusFamilies().USB; }
    DeviceLocatorInterface* getLocation() override { return location.get(); }
    // The platform USB object, or none before a location is set (borrowed).
    USB* getUSB() const { return usb.get(); }

  protected:
    USBInterface() = default;

    std::unique_ptr<USB> usb;
    std::unique_ptr<DeviceLocatorInterface> location;
};

}  // namespace spectro
