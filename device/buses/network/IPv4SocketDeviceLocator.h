#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "device/common/DeviceLocator.h"

namespace spectro {

// A unit reached over TCP: a host name or dotted IPv4 address, and a port.
class IPv4SocketDeviceLocator : public DeviceLocatorInterface {
  public:
    IPv4SocketDeviceLocator(std::string host, std::int32_t port)
        : host(std::move(host)), port(port) {}

    unsigned long getUniqueLocation() const override;
    bool equals(const DeviceLocatorInterface& other) const override;
    std::string getDescription() const override;
    BusFamily getBusFamily() const override { return BusFamilies().TCPIPv4; }
    std::unique_ptr<DeviceLocatorInterface> clone() const override {
        return std::make_unique<IPv4SocketDeviceLocator>(host, port);
    }

    const std::string& getIPv4Address() const { return host; }
    std::int32_t getPort() const { return port; }

  private:
    std::string host;
    std::int32_t port;
};

}  // namespace spectro
