#include "device/common/DeviceLocator.h"

#include <cstdio>
#include <typeinfo>

namespace spectro {

bool USBDeviceLocator::equals(const DeviceLocatorInterface& other) const {
    return typeid(other) == typeid(*this) && other.getUniqueLocation() == getUniqueLocation() &&
           other.getBusFamily().equals(getBusFamily());
}

std::string USBDeviceLocator::getDescription() const {
    char text[80];
    std::snprintf(text, sizeof text, "USB:0x%02lX", static_cast<unsigned long>(deviceID));
    return text;
}

}  // namespace spectro
