#include "device/buses/usb/SpectrometerUSBInterface.h"

#include "device/buses/usb/platform/USBDeviceTable.h"
#include "device/common/Exceptions.h"

namespace spectro {

SpectrometerUSBInterface::SpectrometerUSBInterface(std::int32_t vendorId, std::int32_t productId)
    : vendorId(vendorId), productId(productId) {}

SpectrometerUSBInterface::~SpectrometerUSBInterface() {
    // The helpers borrow the USB object, so they go first.
    clearHelpers();
    if (usb) usb->close();
}

void SpectrometerUSBInterface::setLocation(const DeviceLocatorInterface& locator) {
    if (!locator.getBusFamily().equals(getBusFamily()))
        throw IllegalArgumentException("Invalid bus on device locator.");
    clearHelpers();
    usb = std::make_unique<USB>(static_cast<std::uint32_t>(locator.getUniqueLocation()));
    location = locator.clone();
}

bool SpectrometerUSBInterface::open() {
    if (!usb) return false;
    return usb->open();
}

void SpectrometerUSBInterface::close() {
    if (usb) usb->close();
}

std::vector<std::unique_ptr<DeviceLocatorInterface>> SpectrometerUSBInterface::probeDevices() {
    std::vector<std::unique_ptr<DeviceLocatorInterface>> locators;
    for (std::int32_t id : listUSBDeviceIds(static_cast<std::uint16_t>(vendorId),
                                            static_cast<std::uint16_t>(productId)))
        locators.push_back(std::make_unique<USBDeviceLocator>(static_cast<std::uint32_t>(id)));
    return locators;
}

void SpectrometerUSBInterface::addHelper(std::unique_ptr<ProtocolHint> hint,
                                         std::unique_ptr<TransferHelper> helper) {
    Bus::addHelper(hint->getHintID(), std::move(helper));
}

}  // namespace spectro
