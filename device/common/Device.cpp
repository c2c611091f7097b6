#include "device/common/Device.h"

#include <stdexcept>

#include "device/common/Exceptions.h"

namespace spectro {

namespace {

// Destroys the elements of an owning list front to back (a vector's own destructor gives
// no order guarantee).
template <class T>
void destroyInOrder(std::vector<std::unique_ptr<T>>& list) {
    for (auto& element : list) element.reset();
    list.clear();
}

template <class T>
std::vector<T*> borrow(const std::vector<std::unique_ptr<T>>& list) {
    std::vector<T*> result;
    result.reserve(list.size());
    for (const auto& element : list) result.push_back(element.get());
    return result;
}

}  // namespace

Device::~Device() {
    openedBus = nullptr;
    destroyInOrder(features);
    destroyInOrder(protocols);
    destroyInOrder(buses);
    location.reset();
}

bool Device::initialize(const Bus& bus) {
    const BusFamily busFamily = bus.getBusFamily();
    for (const auto& feature : features) {
        const ProtocolFamily family = getSupportedProtocol(feature->getFeatureFamily(), busFamily);
        const std::vector<Protocol*> candidates = getProtocolsByFamily(family);
        if (candidates.empty()) continue;
        try {
            feature->initialize(*candidates.front(), bus);
        } catch (const FeatureException&) {
            // A feature that cannot read its settings now stays listed and fails when used.
        }
    }
    return true;
}

void Device::setLocation(const DeviceLocatorInterface& locator) { location = locator.clone(); }

int Device::open() {
    if (!location) return -1;
    const std::vector<Bus*> candidates = getBusesByFamily(location->getBusFamily());
    if (candidates.empty()) return -2;
    Bus* bus = candidates.front();
    bool opened = false;
    try {
        bus->setLocation(*location);
        opened = bus->open();
    } catch (const std::runtime_error&) {
        return -3;
    }
    if (!opened) return -4;
    openedBus = bus;
    return 0;
}

void Device::close() {
    if (openedBus != nullptr) {
        openedBus->close();
        openedBus = nullptr;
    }
}

std::vector<Bus*> Device::getBusesByFamily(const BusFamily& busFamily) const {
    std::vector<Bus*> result;
    for (const auto& bus : buses) {
        if (bus->getBusFamily().equals(busFamily)) result.push_back(bus.get());
    }
    return result;
}

std::vector<Protocol*> Device::getProtocolsByFamily(const ProtocolFamily& family) const {
    std::vector<Protocol*> result;
    for (const auto& protocol : protocols) {
        if (protocol->getProtocolFamily().equals(family)) result.push_back(protocol.get());
    }
    return result;
}

std::vector<Bus*> Device::getBuses() const { return borrow(buses); }
std::vector<Feature*> Device::getFeatures() const { return borrow(features); }
std::vector<Protocol*> Device::getProtocols() const { return borrow(protocols); }

}  // namespace spectro
