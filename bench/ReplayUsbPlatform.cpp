#include "bench/ReplayUsbPlatform.h"

#include <algorithm>
#include <cstring>

namespace spectro::bench {

namespace {

// Configuration 1 with interface 0 and the bulk endpoints of the FPGA units at high speed.
std::vector<std::uint8_t> fpgaConfigurationDescriptor() {
    constexpr std::uint8_t endpoints[] = {0x01, 0x81, 0x82, 0x86};
    constexpr std::uint8_t total = 9 + 9 + 7 * std::size(endpoints);
    // Configuration: length, type, total length (2 bytes), interfaces, value, name, attributes,
    // power; then interface 0: length, type, number, alternate, endpoints, class (vendor), ...
    std::vector<std::uint8_t> bytes = {9, 2, total, 0, 1, 1, 0, 0x80, 50};
    const std::uint8_t interface[] = {9, 4, 0, 0, std::size(endpoints), 0xFF, 0, 0, 0};
    bytes.insert(bytes.end(), std::begin(interface), std::end(interface));
    for (std::uint8_t address : endpoints) {
        // Length, type, address, bulk, packet size 512 (2 bytes), interval.
        const std::uint8_t endpoint[] = {7, 5, address, 0x02, 0x00, 0x02, 0};
        bytes.insert(bytes.end(), std::begin(endpoint), std::end(endpoint));
    }
    return bytes;
}

class ReplayConnection : public UsbConnection {
  public:
    explicit ReplayConnection(std::shared_ptr<const ReplayUnit> unit) : unit(std::move(unit)) {}

    std::uint16_t vendorId() const override { return ReplayUsbPlatform::vendorId; }
    std::uint16_t productId() const override { return unit->productId; }

    int bulkWrite(std::uint8_t, const std::uint8_t*, int length) override {
        return length < 0 ? -1 : length;
    }

    int bulkRead(std::uint8_t endpoint, std::uint8_t* data, int length) override {
        if (endpoint != unit->spectrumEndpoint || length < 0) return -1;
        const auto moved = std::min(static_cast<std::size_t>(length), unit->frame.size());
        std::memcpy(data, unit->frame.data(), moved);
        return static_cast<int>(moved);
    }

    std::optional<std::vector<std::uint8_t>> configurationDescriptor() override {
        return fpgaConfigurationDescriptor();
    }

    bool clearHalt(std::uint8_t) override { return true; }

  private:
    std::shared_ptr<const ReplayUnit> unit;
};

}  // namespace

void ReplayUsbPlatform::plug(ReplayUnit unit) {
    units.push_back(std::make_shared<const ReplayUnit>(std::move(unit)));
}

std::vector<UsbUnitInfo> ReplayUsbPlatform::enumerate() {
    std::vector<UsbUnitInfo> listed;
    for (const auto& unit : units) listed.push_back({unit->path, vendorId, unit->productId});
    return listed;
}

std::unique_ptr<UsbConnection> ReplayUsbPlatform::open(const std::string& path) {
    for (const auto& unit : units)
        if (unit->path == path) return std::make_unique<ReplayConnection>(unit);
    return nullptr;
}

}  // namespace spectro::bench
