#include "integration/SimulatedUnits.h"

#include "device/buses/usb/SpectrometerUSBInterface.h"
#include "device/buses/usb/platform/USBDeviceTable.h"
#include "device/models/LegacyDevice.h"
#include "sim/BenchConfig.h"
#include "sim/SimBench.h"
#include "sim/transports/SimUsbPlatform.h"

namespace spectro::test {

void SimulatedUnits::useBench(const std::string& benchJson) {
    auto bench = std::make_shared<sim::SimBench>(sim::parseBench(benchJson));
    installUsbPlatform(std::make_unique<sim::SimUsbPlatform>(bench));
}

OpenedUnit SimulatedUnits::open(const LegacyModelRow& row, int unit) {
    return open(std::make_unique<LegacyDevice>(row), unit);
}

OpenedUnit SimulatedUnits::open(std::unique_ptr<Device> device, int unit) {
    auto* usb = dynamic_cast<SpectrometerUSBInterface*>(device->getBuses().front());
    auto locators = usb == nullptr ? decltype(usb->probeDevices()){} : usb->probeDevices();
    if (unit < 0 || unit >= static_cast<int>(locators.size())) return {};
    return openAt(std::move(device), *locators[static_cast<std::size_t>(unit)]);
}

OpenedUnit openAt(std::unique_ptr<Device> device, const DeviceLocatorInterface& where) {
    OpenedUnit opened{std::move(device)};
    opened.device->setLocation(where);
    if (opened.device->open() != 0) return {};
    opened.device->initialize(*opened.device->getOpenedBus());
    return opened;
}

void SimulatedUnits::close() { installUsbPlatform(nullptr); }

}  // namespace spectro::test
