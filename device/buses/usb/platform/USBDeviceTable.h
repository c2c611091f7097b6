#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/buses/usb/platform/UsbPlatform.h"

namespace spectro {

// The record of one opened unit. The table entry owns it; a USB object only watches it, so
// that it notices when a probe releases the unit behind its back (the unit was unplugged).
struct USBDeviceHandle {
    std::int32_t deviceID = 0;
    std::unique_ptr<UsbConnection> connection;
};

struct USBDeviceEntry {
    std::int32_t deviceID = 0;
    std::shared_ptr<USBDeviceHandle> openHandle;
    std::string devicePath;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    bool inUse = false;
    // Set during a probe for every entry whose unit that probe found.
    bool seen = false;
};

// The process-wide table of attached units that probing has found. Entries are never
// compacted and device IDs are never handed out twice within a process. Only one thread at a
// time may probe, open or close.
class USBDeviceTable {
  public:
    static constexpr int capacity = 127;

    static USBDeviceTable& instance();

    // Replaces the platform (none: a platform without any unit, which is also what the table
    // starts with). Every entry is dropped, releasing open units; device IDs go on counting
    // from where they were.
    void installPlatform(std::unique_ptr<UsbPlatform> platform);

    std::int32_t probe(std::uint16_t vendorId, std::uint16_t productId);
    std::vector<std::int32_t> listIds(std::uint16_t vendorId, std::uint16_t productId);
    std::weak_ptr<USBDeviceHandle> open(std::int32_t deviceID, int& errorCode);
    // Clears the entry's open handle, which closes the unit. False when no entry holds it.
    bool release(const USBDeviceHandle& handle);

    // Read-only view for diagnostics and tests; none when no entry in use has this ID.
    const USBDeviceEntry* findEntry(std::int32_t deviceID) const;
    std::int32_t entryCount() const { return count_; }

  private:
    USBDeviceTable() = default;
    UsbPlatform& platform();
    USBDeviceEntry* findInUse(std::int32_t deviceID);
    void sweep(std::uint16_t vendorId, std::uint16_t productId);

    // Declared first so that it is destroyed after the entries that hold its connections.
    std::unique_ptr<UsbPlatform> platform_;
    std::int32_t count_ = 0;
    std::int32_t nextDeviceID_ = 0;
    std::array<USBDeviceEntry, capacity> entries_{};
};

// Installs the platform that every later probe and open goes through. Each executable
// chooses its own before the first probe: quillfen the libusb one, quillfen-sim the simulated
// one, tests their scripted or emulated ones.
void installUsbPlatform(std::unique_ptr<UsbPlatform> platform);

// Refreshes the entries of this vendor/product and returns how many are in use; -1 when a
// new matching unit found no free entry.
std::int32_t probeUSBDevices(std::uint16_t vendorId, std::uint16_t productId);

// Probes, then returns the IDs of the matching entries in table order; empty when the probe
// failed.
std::vector<std::int32_t> listUSBDeviceIds(std::uint16_t vendorId, std::uint16_t productId);

// Opens the unit of an entry. Empty (with errorCode -1) for an unknown ID, an entry that is
// already open, a unit that cannot be opened or one that now reports another vendor or
// product; otherwise errorCode is 0.
std::weak_ptr<USBDeviceHandle> openUSBDevice(std::int32_t deviceID, int& errorCode);

}  // namespace spectro
