#include "sim/transports/SimUsbPlatform.h"

#include <algorithm>
#include <string>

#include "sim/transports/UsbDescriptorBytes.h"

namespace spectro::sim {

namespace {

// Units are named by their place on the bench; none is ever re-plugged, so a place names
// one unit for the whole run.
std::string pathOf(std::size_t place) { return "sim:" + std::to_string(place + 1); }

class SimUsbConnection final : public UsbConnection {
  public:
    SimUsbConnection(std::shared_ptr<SimBench> bench, std::shared_ptr<UnitPort> unit)
        : bench_(std::move(bench)), unit_(std::move(unit)) {}
    ~SimUsbConnection() override { unit_->close(); }

    std::uint16_t vendorId() const override { return unit_->usb().vendorId; }
    std::uint16_t productId() const override { return unit_->usb().productId; }

    int bulkWrite(std::uint8_t endpoint, const std::uint8_t* data, int length) override {
        return unit_->write(endpoint, data, length);
    }
    int bulkRead(std::uint8_t endpoint, std::uint8_t* data, int length) override {
        return unit_->read(endpoint, data, length);
    }
    std::optional<std::vector<std::uint8_t>> configurationDescriptor() override {
        if (!unit_->present()) return std::nullopt;
        return sim::configurationDescriptor(unit_->usb());
    }
    bool clearHalt(std::uint8_t endpoint) override {
        const auto& endpoints = unit_->usb().endpoints;
        return unit_->present() &&
               std::find(endpoints.begin(), endpoints.end(), endpoint) != endpoints.end();
    }

  private:
    std::shared_ptr<SimBench> bench_;  // keeps the clock and trigger line alive while open
    std::shared_ptr<UnitPort> unit_;
};

}  // namespace

SimUsbPlatform::SimUsbPlatform(std::shared_ptr<SimBench> bench) : bench_(std::move(bench)) {}

std::vector<UsbUnitInfo> SimUsbPlatform::enumerate() {
    std::vector<UsbUnitInfo> listed;
    const auto& units = bench_->units();
    for (std::size_t place = 0; place < units.size(); ++place) {
        if (units[place]->present())
            listed.push_back(UsbUnitInfo{pathOf(place), units[place]->usb().vendorId,
                                         units[place]->usb().productId});
    }
    return listed;
}

std::unique_ptr<UsbConnection> SimUsbPlatform::open(const std::string& path) {
    const auto& units = bench_->units();
    for (std::size_t place = 0; place < units.size(); ++place) {
        if (pathOf(place) == path) {
            if (!units[place]->open()) return nullptr;
            return std::make_unique<SimUsbConnection>(bench_, units[place]);
        }
    }
    return nullptr;
}

}  // namespace spectro::sim
