#include "device/api/SpectroWrapper.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "device/buses/usb/SpectrometerUSBInterface.h"
#include "device/common/Device.h"
#include "device/common/DeviceFactory.h"
#include "device/common/Exceptions.h"
#include "device/features/SerialNumberFeature.h"

namespace spectro {

namespace {

constexpr const char* ERROR_MESSAGES[] = {
    "Success",
    "Error number undefined",
    "No device found",
    "Could not close device",
    "Feature not implemented",
    "No such feature on device",
    "Data transfer error",
    "Invalid user buffer provided",
};
constexpr int ERROR_MESSAGE_COUNT = sizeof ERROR_MESSAGES / sizeof ERROR_MESSAGES[0];
constexpr const char* UNDEFINED_ERROR = "Error number undefined";

void store(int* errorCode, int code) {
    if (errorCode != nullptr) {
        *errorCode = code;
    }
}

bool validIndex(int index) { return index >= 0 && index < SpectroWrapper::SLOT_COUNT; }

// The first element of `items` that is a T, or null.
template <class T, class Item>
T* findFirst(const std::vector<Item*>& items) {
    for (Item* item : items) {
        if (auto* wanted = dynamic_cast<T*>(item)) {
            return wanted;
        }
    }
    return nullptr;
}

// The units of the device's model that are attached now, over all of its USB buses.
int countAttachedUnits(Device& device) {
    int units = 0;
    for (Bus* bus : device.getBuses()) {
        if (auto* usb = dynamic_cast<SpectrometerUSBInterface*>(bus)) {
            units += static_cast<int>(usb->probeDevices().size());
        }
    }
    return units;
}

// The facade's trace hook for the model walk; it prints nothing.
void traceLookingFor(const std::string& registryName) { (void)registryName; }

}  // namespace

SpectroWrapper::SpectroWrapper() = default;
SpectroWrapper::~SpectroWrapper() = default;

SpectroWrapper& SpectroWrapper::getInstance() {
    static SpectroWrapper instance;
    return instance;
}

void SpectroWrapper::getErrorMessage(int code, char* buffer, int bufferLength) {
    if (buffer == nullptr || bufferLength <= 0) {
        return;
    }
    const char* message =
        code >= 0 && code < ERROR_MESSAGE_COUNT ? ERROR_MESSAGES[code] : UNDEFINED_ERROR;
    const std::size_t length =
        std::min(std::strlen(message), static_cast<std::size_t>(bufferLength - 1));
    std::memcpy(buffer, message, length);
    buffer[length] = '\0';
}

int SpectroWrapper::openSpectrometer(int index, int* errorCode) {
    store(errorCode, NO_DEVICE_FOUND);
    if (!validIndex(index)) {
        return 1;
    }
    // Walk the models in the factory's order, counting attached units, until the model
    // whose units include the index-th one.
    const DeviceFactory& factory = DeviceFactory::getInstance();
    std::unique_ptr<Device> device;
    int countedBefore = 0;
    for (int position = 0; position < factory.getNumberOfModels(); ++position) {
        traceLookingFor(factory.getRegistryName(position));
        std::unique_ptr<Device> candidate = factory.createModel(position);
        if (!candidate) continue;
        const int units = countAttachedUnits(*candidate);
        if (index < countedBefore + units) {
            device = std::move(candidate);
            break;
        }
        countedBefore += units;
    }
    if (!device) {
        return 1;
    }

    const int unit = index - countedBefore;
    if (unit < 0 || unit >= countAttachedUnits(*device)) {
        return 1;
    }
    auto* usb = findFirst<SpectrometerUSBInterface>(device->getBuses());
    if (usb == nullptr) {
        return 1;
    }
    std::vector<std::unique_ptr<DeviceLocatorInterface>> locators = usb->probeDevices();
    if (unit >= static_cast<int>(locators.size())) {
        return 1;
    }
    try {
        usb->setLocation(*locators[static_cast<std::size_t>(unit)]);
        device->setLocation(*locators[static_cast<std::size_t>(unit)]);
        device->open();
    } catch (const std::exception&) {
        // A locator the bus refuses leaves the unit unopened, as a failed open does.
        return 1;
    }
    locators.clear();
    if (!usb->open()) {
        return 1;
    }

    if (slots[index]) {
        closeSpectrometer(index, errorCode);
    }
    slots[index] = std::move(device);
    if (Bus* opened = slots[index]->getOpenedBus()) {
        slots[index]->initialize(*opened);
    }
    store(errorCode, SUCCESS);
    return 0;
}

void SpectroWrapper::closeSpectrometer(int index, int* errorCode) {
    if (!validIndex(index) || !slots[index]) {
        store(errorCode, NO_DEVICE_FOUND);
        return;
    }
    if (auto* usb = findFirst<SpectrometerUSBInterface>(slots[index]->getBuses())) {
        usb->close();
        store(errorCode, SUCCESS);
    } else {
        store(errorCode, NO_DEVICE_FOUND);
    }
    slots[index].reset();
}

int SpectroWrapper::getModelName(int index, int* errorCode, char* buffer) {
    if (buffer == nullptr) {
        store(errorCode, INVALID_USER_BUFFER);
        return 0;
    }
    std::memset(buffer, 0, MODEL_NAME_BUFFER);
    if (!validIndex(index) || !slots[index]) {
        store(errorCode, NO_DEVICE_FOUND);
        std::memcpy(buffer, "NONE", 4);
        return 4;
    }
    // Upper case, with "+" spelled out: HR2000+ becomes HR2000PLUS.
    int produced = 0;
    auto put = [&](char c) {
        if (produced < MODEL_NAME_BUFFER) {
            buffer[produced++] = c;
        }
    };
    for (char c : slots[index]->getName()) {
        if (c == '+') {
            for (char p : std::string("PLUS")) {
                put(p);
            }
        } else {
            put(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
        }
        if (produced >= MODEL_NAME_BUFFER) {
            break;
        }
    }
    buffer[MODEL_NAME_BUFFER - 1] = '\0';
    store(errorCode, SUCCESS);
    return produced;
}

int SpectroWrapper::getSerialNumber(int index, int* errorCode, char* buffer) {
    if (!validIndex(index) || !slots[index]) {
        store(errorCode, NO_DEVICE_FOUND);
        return 0;
    }
    if (buffer == nullptr) {
        store(errorCode, INVALID_USER_BUFFER);
        return 0;
    }
    store(errorCode, NO_SUCH_FEATURE);
    Device& device = *slots[index];
    auto* feature = findFirst<SerialNumberFeatureInterface>(device.getFeatures());
    const auto protocols = device.getProtocols();
    const auto buses = device.getBuses();
    std::string serial;
    if (feature != nullptr && !protocols.empty() && !buses.empty()) {
        try {
            serial = feature->readSerialNumber(*protocols.front(), *buses.front());
        } catch (const FeatureException&) {
            store(errorCode, DATA_TRANSFER_ERROR);
            return 0;
        }
    }
    // A missing feature and a missing text both count as a failed transfer here.
    if (serial.empty()) {
        store(errorCode, DATA_TRANSFER_ERROR);
        return 0;
    }
    std::memset(buffer, 0, SERIAL_NUMBER_BUFFER);
    const std::size_t copied = std::min<std::size_t>(serial.size(), SERIAL_NUMBER_BUFFER);
    std::memcpy(buffer, serial.data(), copied);
    store(errorCode, SUCCESS);
    return static_cast<int>(copied);
}

}  // namespace spectro
