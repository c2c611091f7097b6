#include "sim/usbemu/BenchOnBus.h"

#include <string>

#include "sim/transports/UsbDescriptorBytes.h"

namespace spectro::sim {

namespace {

// A simulated unit on the bus. It has a single interface, and it never halts an endpoint: a
// failed transfer stalls only itself.
class SimUnitOnBus final : public EmulatedUnit {
  public:
    explicit SimUnitOnBus(std::shared_ptr<UnitPort> unit) : unit_(std::move(unit)) {}

    bool present() const override { return unit_->present(); }
    bool open(unsigned /*interface*/) override { return unit_->open(); }
    void close(unsigned /*interface*/) override { unit_->close(); }
    int write(std::uint8_t endpoint, const std::uint8_t* data, int length) override {
        return unit_->write(endpoint, data, length);
    }
    PollResult poll(std::uint8_t endpoint, std::uint8_t* into, int length) override {
        return unit_->poll(endpoint, into, length);
    }

  private:
    std::shared_ptr<UnitPort> unit_;
};

UnitPlace placeOf(const UnitPort& unit, int position) {
    UnitPlace place;
    place.bus = 1;
    place.ports = std::to_string(position + 1);
    place.address = position + 2;
    place.speed = unit.usb().highSpeed ? 480 : 12;
    place.descriptors = deviceDescriptor(unit.usb());
    const auto configuration = configurationDescriptor(unit.usb());
    place.descriptors.insert(place.descriptors.end(), configuration.begin(), configuration.end());
    return place;
}

}  // namespace

void plugBenchIn(const SimBench& bench, EmulatedBus& bus) {
    for (std::size_t position = 0; position < bench.units().size(); ++position) {
        const std::shared_ptr<UnitPort>& unit = bench.units()[position];
        bus.add(placeOf(*unit, static_cast<int>(position)), std::make_shared<SimUnitOnBus>(unit));
    }
}

}  // namespace spectro::sim
