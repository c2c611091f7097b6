#include "device/buses/network/IPv4SocketDeviceLocator.h"

#include <functional>
#include <typeinfo>

namespace spectro {

unsigned long IPv4SocketDeviceLocator::getUniqueLocation() const {
    return static_cast<unsigned long>(std::hash<std::string>{}(getDescription()));
}

bool IPv4SocketDeviceLocator::equals(const DeviceLocatorInterface& other) const {
    return typeid(other) == typeid(*this) && other.getUniqueLocation() == getUniqueLocation() &&
           other.getBusFamily().equals(getBusFamily());
}

std::string IPv4SocketDeviceLocator::getDescription() const {
    return "TCP/IPv4:" + host + ":" + std::to_string(port);
}

}  // namespace spectro
