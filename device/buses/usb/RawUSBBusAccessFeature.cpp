#include "device/buses/usb/RawUSBBusAccessFeature.h"

#include <climits>
#include <string>

#include "device/buses/usb/USBInterface.h"
#include "device/common/Exceptions.h"

namespace spectro {

namespace {

USB* usbOf(const Bus& bus) {
    const auto* usbBus = dynamic_cast<const USBInterface*>(&bus);
    return usbBus == nullptr ? nullptr : usbBus->getUSB();
}

bool failed(int moved, std::size_t length) { return moved < 0 || (moved == 0 && length != 0); }

int asPlatformLength(std::size_t length) {
    return length > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(length);
}

}  // namespace

std::vector<std::uint8_t> RawUSBBusAccessFeature::readUSB(const Protocol&, const Bus& bus,
                                                          std::uint8_t endpoint,
                                                          std::uint32_t length) {
    std::vector<std::uint8_t> bytes(length, 0);
    // A zero-length read would wait for an empty packet the unit never sends.
    if (length == 0) return bytes;
    USB* usb = usbOf(bus);
    const int moved =
        usb == nullptr ? -1 : usb->read(endpoint, bytes.data(), asPlatformLength(bytes.size()));
    if (failed(moved, length))
        throw FeatureControlException(std::string("Caught BusTransferException in readUSB: ") +
                                      "Failed to read any data from USB.");
    return bytes;
}

std::int32_t RawUSBBusAccessFeature::writeUSB(const Protocol&, const Bus& bus,
                                              std::uint8_t endpoint,
                                              const std::vector<std::uint8_t>& bytes) {
    USB* usb = usbOf(bus);
    const int moved =
        usb == nullptr ? -1 : usb->write(endpoint, bytes.data(), asPlatformLength(bytes.size()));
    if (failed(moved, bytes.size()))
        throw FeatureControlException(std::string("Caught BusTransferException in writeUSB: ") +
                                      "Failed to write any data to USB.");
    return moved;
}

FeatureFamily RawUSBBusAccessFeature::getFeatureFamily() {
    return api::FeatureFamilies().RAW_USB_BUS_ACCESS;
}

}  // namespace spectro
