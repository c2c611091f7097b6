#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "device/buses/usb/platform/UsbPlatform.h"
#include "device/support/ScriptedUsbPlatform.h"

namespace spectro::test {

// The steady clock in nanoseconds, the clock the burst timestamps use.
inline std::int64_t steadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The scripted platform, noting when each request went out and each read ended; reads take
// 2 ms, so that a timestamp on the wrong side of a transfer shows.
class TimedUsbPlatform : public UsbPlatform {
  public:
    struct Times {
        std::vector<std::int64_t> writes, readsDone;
    };

    std::vector<UsbUnitInfo> enumerate() override { return scripted.enumerate(); }
    std::unique_ptr<UsbConnection> open(const std::string& path) override {
        auto inner = scripted.open(path);
        if (!inner) return nullptr;
        return std::make_unique<Connection>(std::move(inner), times);
    }

    ScriptedUsbPlatform scripted;
    std::shared_ptr<Times> times = std::make_shared<Times>();

  private:
    class Connection : public UsbConnection {
      public:
        Connection(std::unique_ptr<UsbConnection> inner, std::shared_ptr<Times> times)
            : inner(std::move(inner)), times(std::move(times)) {}
        std::uint16_t vendorId() const override { return inner->vendorId(); }
        std::uint16_t productId() const override { return inner->productId(); }
        int bulkWrite(std::uint8_t endpoint, const std::uint8_t* data, int length) override {
            times->writes.push_back(steadyNanoseconds());
            return inner->bulkWrite(endpoint, data, length);
        }
        int bulkRead(std::uint8_t endpoint, std::uint8_t* data, int length) override {
            const int moved = inner->bulkRead(endpoint, data, length);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            times->readsDone.push_back(steadyNanoseconds());
            return moved;
        }
        std::optional<std::vector<std::uint8_t>> configurationDescriptor() override {
            return inner->configurationDescriptor();
        }
        bool clearHalt(std::uint8_t endpoint) override { return inner->clearHalt(endpoint); }

      private:
        std::unique_ptr<UsbConnection> inner;
        std::shared_ptr<Times> times;
    };
};

}  // namespace spectro::test
