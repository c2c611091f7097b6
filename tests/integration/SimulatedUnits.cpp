#include "integration/SimulatedUnits.h"

#include "device/buses/usb/SpectrometerUSBInterface.h"
#include "device/buses/usb/platform/USBDeviceTable.h"
#include "device/models/LegacyDevice.h"
#include "sim/BenchConfig.h"
#include "sim/SimBench.h"
#include "sim/SimUsbPlatform.h"

namespace spectro::test {

void SimulatedUnits::useBench(const std::string& benchJson) {
    auto bench = std::make_shared<sim::SimBench>(sim::parseBench(benchJson));
    installUsbPlatform(std::make_unique<sim::SimUsbPlatform>(bench));
}

OpenedUnit SimulatedUnits::open(const LegacyModelRow& row, int unit) {
    OpenedUnit opened{std::make_unique<LegacyDevice>(row)};
    auto* usb = dynamic_cast<SpectrometerUSBInterface*>(opened.device->getBuses().front());
    auto locators = usb == nullptr ? decltype(usb->probeDevices()){} : usb->probeDevices();
    if (unit < 0 || unit >= static_cast<int>(locators.size())) return {};
    opened.device->setLocation(*locators[static_cast<std::size_t>(unit)]);
    if (opened.device->open() != 0) return {};
    opened.device->initialize(*opened.device->getOpenedBus());
    return opened;
}

void SimulatedUnits::close() { installUsbPlatform(nullptr); }

}  // namespace spectro::test
