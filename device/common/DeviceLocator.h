#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/common/BusFamilies.h"

namespace spectro {

// Identifies one attached unit on one kind of bus.
class DeviceLocatorInterface {
  public:
    virtual ~DeviceLocatorInterface() = default;
    virtual unsigned long getUniqueLocation() const = 0;
    virtual bool equals(const DeviceLocatorInterface& other) const = 0;
    virtual std::string getDescription() const = 0;
    virtual BusFamily getBusFamily() const = 0;
    virtual std::unique_ptr<DeviceLocatorInterface> clone() const = 0;
};

// A unit known to the platform USB layer by its device identifier.
class USBDeviceLocator : public DeviceLocatorInterface {
  public:
    explicit USBDeviceLocator(std::uint32_t deviceID) : deviceID(deviceID) {}

    unsigned long getUniqueLocation() const override { return deviceID; }
    bool equals(const DeviceLocatorInterface& other) const override;
    std::string getDescription() const override;
    BusFamily getBusFamily() const override { return BusFamilies().USB; }
    std::unique_ptr<DeviceLocatorInterface> clone() const override {
        return std::make_unique<USBDeviceLocator>(deviceID);
    }

  private:
    std::uint32_t deviceID;
};

// Lists the attached units that a bus class can drive. The caller owns the locators.
class DeviceLocationProberInterface {
  public:
    virtual ~DeviceLocationProberInterface() = default;
    virtual std::vector<std::unique_ptr<DeviceLocatorInterface>> probeDevices() = 0;
};

}  // namespace spectro
