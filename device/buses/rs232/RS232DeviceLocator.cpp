#include "device/buses/rs232/RS232DeviceLocator.h"

#include <functional>
#include <typeinfo>

namespace spectro {

unsigned long RS232DeviceLocator::getUniqueLocation() const {
    return devicePath ? static_cast<unsigned long>(std::hash<std::string>{}(*devicePath)) : 0;
}

bool RS232DeviceLocator::equals(const DeviceLocatorInterface& other) const {
    return typeid(other) == typeid(*this) && other.getUniqueLocation() == getUniqueLocation() &&
           other.getBusFamily().equals(getBusFamily());
}

std::string RS232DeviceLocator::getDescription() const {
    return "RS232:" + devicePath.value_or("") + "@" + std::to_string(baudRate);
}

}  // namespace spectro
