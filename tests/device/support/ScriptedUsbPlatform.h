#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "device/buses/usb/platform/UsbPlatform.h"

namespace spectro::test {

// What a scripted unit saw, in order.
struct UsbEvent {
    enum class Kind { Write, Read, ClearHalt };
    Kind kind;
    std::uint8_t endpoint;
    std::vector<std::uint8_t> bytes;  // written bytes
    int length = 0;                   // requested length

    // "write 0x01 09", "read 0x82 2048", "clear 0x81": short enough for tables of cases.
    std::string describe() const;
};

// A unit as the scripted platform shows it. Tests change its fields between calls.
struct ScriptedUsbUnit {
    UsbUnitInfo info;
    // What the unit reports once opened; a different value stands for another unit that took
    // the path.
    std::uint16_t vendorWhenOpened = 0;
    std::uint16_t productWhenOpened = 0;
    bool openable = true;
    std::vector<std::uint8_t> configuration;  // empty: reading it fails
    // Replies per IN endpoint, one per read; a read with no reply left fails.
    std::map<std::uint8_t, std::deque<std::vector<std::uint8_t>>> replies;
    // Results of the next writes (-1 failure, else the count reported); empty: all written.
    std::deque<int> writeResults;
    std::vector<UsbEvent> events;
    int liveConnections = 0;

    void reply(std::uint8_t endpoint, std::vector<std::uint8_t> bytes) {
        replies[endpoint].push_back(std::move(bytes));
    }
    std::vector<std::string> describeEvents() const;
};

// A platform whose attached units the test lists itself.
class ScriptedUsbPlatform : public UsbPlatform {
  public:
    std::shared_ptr<ScriptedUsbUnit> plug(const std::string& path, std::uint16_t vendorId,
                                          std::uint16_t productId);
    void unplug(const std::string& path);

    std::vector<UsbUnitInfo> enumerate() override;
    std::unique_ptr<UsbConnection> open(const std::string& path) override;

  private:
    std::vector<std::shared_ptr<ScriptedUsbUnit>> units_;
};

}  // namespace spectro::test
