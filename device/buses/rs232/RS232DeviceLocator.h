#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "device/common/DeviceLocator.h"

namespace spectro {

// A unit on a serial port: the port's device path (such as /dev/ttyUSB0 or a /dev/serial/by-id
// name) and the bit rate to run it at. The path may be missing; the bus refuses such a locator.
class RS232DeviceLocator : public DeviceLocatorInterface {
  public:
    RS232DeviceLocator(std::optional<std::string> devicePath, std::int32_t baudRate)
        : devicePath(std::move(devicePath)), baudRate(baudRate) {}

    // The same port path gives the same location, whatever the bit rate.
    unsigned long getUniqueLocation() const override;
    bool equals(const DeviceLocatorInterface& other) const override;
    std::string getDescription() const override;
    BusFamily getBusFamily() const override { return BusFamilies().RS232; }
    std::unique_ptr<DeviceLocatorInterface> clone() const override {
        return std::make_unique<RS232DeviceLocator>(devicePath, baudRate);
    }

    const std::optional<std::string>& getDevicePath() const { return devicePath; }
    std::int32_t getBaudRate() const { return baudRate; }

  private:
    std::optional<std::string> devicePath;
    std::int32_t baudRate;
};

}  // namespace spectro
