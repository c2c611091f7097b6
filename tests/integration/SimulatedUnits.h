#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "device/common/Device.h"
#include "device/models/LegacyModelRow.h"

namespace spectro::test {

// A device opened on a simulated unit, as the facade opens one: located by its USB bus,
// opened, and initialised with the bus it opened.
struct OpenedUnit {
    std::unique_ptr<Device> device;

    Bus& bus() const { return *device->getOpenedBus(); }
    const Protocol& protocol() const { return *device->getProtocols().front(); }
    // The device's first feature of the kind; the test fails when there is none.
    template <class Interface>
    Interface& feature() const {
        for (Feature* candidate : device->getFeatures())
            if (auto* wanted = dynamic_cast<Interface*>(candidate)) return *wanted;
        throw std::logic_error("the device has no such feature");
    }
};

// Opens a device at a locator, as the facade opens one (a USB unit, a serial port, a TCP
// address) and initialises it with the bus it opened; none when opening fails.
OpenedUnit openAt(std::unique_ptr<Device> device, const DeviceLocatorInterface& where);

// Puts the units of a bench on the simulated USB platform for one test.
class SimulatedUnits : public ::testing::Test {
  protected:
    void TearDown() override { close(); }

    // Replaces the platform with the bench of this JSON text (see examples/bench-*.json).
    void useBench(const std::string& benchJson);
    // Opens the `unit`-th attached unit of the row's model; none when that fails.
    OpenedUnit open(const LegacyModelRow& row, int unit = 0);
    // The same for a device of any model, found through its USB bus.
    OpenedUnit open(std::unique_ptr<Device> device, int unit = 0);

    // Drops every device and unit.
    void close();
};

}  // namespace spectro::test
