#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;

namespace spectro::test {

// One emulated unit: its usbfs requests are answered here, on umockdev's worker thread.
class EmulatedUsbUnit {
  public:
    // Queues one reply on an IN endpoint; a read takes as much of it as fits, the rest stays
    // for the next read.
    void reply(std::uint8_t endpoint, std::vector<std::uint8_t> bytes);
    // "claim 0", "write 0x01 09", "read 0x82 4097", "clear 0x81", "release 0", in order.
    std::vector<std::string> events() const;
    // Writes as they arrived, with their endpoints.
    std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>> writes() const;

    // Internal to the bench.
    struct Urb;
    bool handle(void* client);

    std::string sysPath;
    std::string devNode;
    bool unplugged = false;  // guarded by mutex_

    std::unique_lock<std::mutex> lock() const { return std::unique_lock<std::mutex>(mutex_); }

  private:
    void record(std::string event);

    mutable std::mutex mutex_;
    std::map<std::uint8_t, std::deque<std::vector<std::uint8_t>>> replies_;
    std::vector<std::string> events_;
    std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>> writes_;
};

// True when the umockdev preload library is in place for this process.
bool underUmockdevPreload();

// A private sysfs and /dev tree with emulated spectrometers in it. The test process must run
// under the umockdev preload library, and libusb must be started after the bench exists.
class EmulatedUsbBench {
  public:
    EmulatedUsbBench();
    ~EmulatedUsbBench();
    EmulatedUsbBench(const EmulatedUsbBench&) = delete;
    EmulatedUsbBench& operator=(const EmulatedUsbBench&) = delete;

    // Adds a unit at bus/port with the given address; speed 12 (full) or 480 (high) and the
    // largest packet size of its endpoints.
    EmulatedUsbUnit& add(int bus, const std::string& ports, int address, std::uint16_t vendorId,
                         std::uint16_t productId, std::uint16_t packetSize, int speed);
    // The unit vanishes: requests fail with ENODEV, and it leaves the listing.
    void unplug(EmulatedUsbUnit& unit);

  private:
    UMockdevTestbed* testbed_;
    std::vector<std::unique_ptr<EmulatedUsbUnit>> units_;
    std::vector<UMockdevIoctlBase*> handlers_;
};

}  // namespace spectro::test
