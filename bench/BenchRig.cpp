#include "bench/BenchRig.h"

#include <stdexcept>

#include "bench/RampFrames.h"
#include "bench/ReplayUsbPlatform.h"
#include "device/buses/usb/USBInterface.h"
#include "device/buses/usb/platform/USBDeviceTable.h"
#include "device/common/DeviceLocator.h"

namespace spectro::bench {

void installReplayPlatform(const std::vector<BenchModel>& models) {
    auto platform = std::make_unique<ReplayUsbPlatform>();
    for (const BenchModel& model : models)
        platform->plug({model.unitPath, model.row.productId, model.row.endpoints.dataIn,
                        makeRampFrame(model.frameBytes(), model.highByteXor)});
    installUsbPlatform(std::move(platform));
}

BenchRig::BenchRig(const BenchModel& model)
    : model_(model),
      device(model.row),
      frame_(makeRampFrame(model.frameBytes(), model.highByteXor)) {
    const std::vector<Bus*> buses = device.getBuses();
    if (buses.empty()) throw std::runtime_error(model.name() + " has no bus");
    auto* prober = dynamic_cast<DeviceLocationProberInterface*>(buses.front());
    if (prober == nullptr) throw std::runtime_error(model.name() + ": its bus cannot probe");
    const auto locators = prober->probeDevices();
    if (locators.size() != 1)
        throw std::runtime_error(model.name() + ": expected one replay unit, found " +
                                 std::to_string(locators.size()));
    device.setLocation(*locators.front());
    if (device.open() != 0)
        throw std::runtime_error(model.name() + ": the replay unit did not open");
    bus_ = device.getOpenedBus();
    const auto* usbBus = dynamic_cast<const USBInterface*>(bus_);
    usb_ = usbBus == nullptr ? nullptr : usbBus->getUSB();
    for (Feature* feature : device.getFeatures())
        if (auto* found = dynamic_cast<ExtraFeaturesCollection*>(feature)) collection_ = found;
    if (usb_ == nullptr || collection_ == nullptr)
        throw std::runtime_error(model.name() + ": no USB object or no extra features collection");
    // The descriptor is what a model that picks its helpers by port speed would read.
    if (usb_->getMaxPacketSize() != 512)
        throw std::runtime_error(model.name() + ": the replay descriptor does not parse");
}

BenchRig::~BenchRig() { device.close(); }

}  // namespace spectro::bench
