#include "device/buses/rs232/SpectrometerRS232Interface.h"

#include "device/buses/rs232/RS232DeviceLocator.h"
#include "device/common/Exceptions.h"

namespace spectro {

SpectrometerRS232Interface::~SpectrometerRS232Interface() {
    helper.reset();
    if (rs232) rs232->close();
}

void SpectrometerRS232Interface::setLocation(const DeviceLocatorInterface& locator) {
    if (!locator.getBusFamily().equals(getBusFamily()))
        throw IllegalArgumentException("Invalid bus on device locator.");
    auto copy = locator.clone();
    const auto* serial = dynamic_cast<const RS232DeviceLocator*>(copy.get());
    if (serial == nullptr)
        throw IllegalArgumentException("Invalid device locator for RS232 interface.");
    helper.reset();
    rs232.reset();
    rs232 = std::make_unique<RS232>(serial->getDevicePath(), serial->getBaudRate());
    location = std::move(copy);
}

bool SpectrometerRS232Interface::open() {
    if (!location || !rs232) return false;
    const bool opened = rs232->open();
    helper = std::make_unique<RS232TransferHelper>(rs232.get());
    return opened;
}

void SpectrometerRS232Interface::close() {
    if (rs232) rs232->close();
}

TransferHelper* SpectrometerRS232Interface::getHelper(
    const std::vector<const ProtocolHint*>&) const {
    return helper.get();
}

}  // namespace spectro
