#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace spectro {

// One unit the platform sees attached right now.
struct UsbUnitInfo {
    // Identifies the same unit across enumerations for as long as it stays attached; a unit
    // that is re-plugged gets another path.
    std::string path;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
};

// An opened unit with interface 0 claimed. Destroying it releases the interface and closes
// the unit.
class UsbConnection {
  public:
    virtual ~UsbConnection() = default;

    // Vendor and product as the opened unit reports them now.
    virtual std::uint16_t vendorId() const = 0;
    virtual std::uint16_t productId() const = 0;

    // Synchronous bulk transfers that wait for ever. They return the number of bytes moved,
    // or -1 when the platform reports a failure.
    virtual int bulkWrite(std::uint8_t endpoint, const std::uint8_t* data, int length) = 0;
    virtual int bulkRead(std::uint8_t endpoint, std::uint8_t* data, int length) = 0;

    // The whole configuration descriptor of configuration index 0, or none on failure.
    virtual std::optional<std::vector<std::uint8_t>> configurationDescriptor() = 0;

    // Clears a halted pipe (the platform's pipe reset). False on failure.
    virtual bool clearHalt(std::uint8_t endpoint) = 0;
};

// The few platform operations the device table and the USB class need.
class UsbPlatform {
  public:
    virtual ~UsbPlatform() = default;

    // Every attached unit, in an order that stays the same between calls while nothing is
    // plugged or unplugged. A platform without USB support lists nothing.
    virtual std::vector<UsbUnitInfo> enumerate() = 0;

    // Opens the unit at the path and claims its interface 0; none when that fails.
    virtual std::unique_ptr<UsbConnection> open(const std::string& path) = 0;
};

}  // namespace spectro
