#pragma once

#include <memory>

#include "device/buses/rs232/RS232.h"
#include "device/common/Bus.h"
#include "device/common/DeviceLocator.h"

namespace spectro {

// A bus over a serial port. The concrete bus creates the port object; this class keeps it and
// the locator the bus was given.
class RS232Interface : public Bus {
  public:
    BusFamily getBusFamily() const override { return BusFamilies().RS232; }
    DeviceLocatorInterface* getLocation() override { return location.get(); }
    // The port object, or none before a location is set (borrowed).
    RS232* getRS232() const { return rs232.get(); }

  protected:
    RS232Interface() = default;

    std::unique_ptr<RS232> rs232;
    std::unique_ptr<DeviceLocatorInterface> location;
};

}  // namespace spectro
