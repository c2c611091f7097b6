#pragma once

#include <cstdint>
#include <memory>

#include "device/buses/usb/platform/USBDeviceTable.h"

namespace spectro {

// One attached unit, named by its device-table ID. Bulk transfers wait for ever.
class USB {
  public:
    // Process-wide switch for the diagnostics on standard error; set once before any open.
    static inline bool verbose = false;

    explicit USB(std::uint32_t deviceID);
    ~USB();
    USB(const USB&) = delete;
    USB& operator=(const USB&) = delete;

    bool open();
    bool close();
    // Both return the number of bytes moved, or -1.
    int write(std::uint8_t endpoint, const void* data, int length);
    int read(std::uint8_t endpoint, void* buffer, int length);
    // The largest wMaxPacketSize of the first interface's endpoints; -1 on failure.
    int getMaxPacketSize();
    void resetPipe(std::uint8_t endpoint);

    // False also once a probe has released the unit (it was unplugged).
    bool isOpened();
    std::uint32_t getDeviceID() const { return deviceID_; }

    static void dumpTransfer(const std::uint8_t* buffer, int length, std::uint8_t endpoint);

  private:
    // The live record while opened; when a probe has released it, forgets it and reports
    // closed instead, so the released record is never used or released again.
    std::shared_ptr<USBDeviceHandle> liveHandle();

    std::weak_ptr<USBDeviceHandle> handle_;
    bool opened_ = false;
    const std::uint32_t deviceID_;
};

}  // namespace spectro
