#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/buses/usb/platform/UsbPlatform.h"

namespace spectro::bench {

// One unit on the replay platform: every read of its spectrum endpoint copies `frame`.
struct ReplayUnit {
    std::string path;
    std::uint16_t productId = 0;
    std::uint8_t spectrumEndpoint = 0;
    std::vector<std::uint8_t> frame;
};

// A USB platform whose units cost no more than a memcpy per transfer: a write is accepted
// as it is, a read of the spectrum endpoint gets the unit's prepared frame (or its first
// `length` bytes), so that a benchmark of the host side does not time the making of frames.
// Reads of any other endpoint fail: the benchmarks ask for nothing else. The bus's open gets
// what it needs: a configuration descriptor of the FPGA endpoints and pipe resets that succeed.
class ReplayUsbPlatform : public UsbPlatform {
  public:
    static constexpr std::uint16_t vendorId = 0x2457;

    void plug(ReplayUnit unit);

    std::vector<UsbUnitInfo> enumerate() override;
    std::unique_ptr<UsbConnection> open(const std::string& path) override;

  private:
    std::vector<std::shared_ptr<const ReplayUnit>> units;
};

}  // namespace spectro::bench
