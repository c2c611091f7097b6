#include "device/api/SpectroWrapper.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <exception>
#include <limits>
#include <string>
#include <vector>

#include "device/api/ExtraFeaturesCollection.h"
#include "device/buses/usb/SpectrometerUSBInterface.h"
#include "device/common/Device.h"
#include "device/common/DeviceFactory.h"
#include "device/common/Exceptions.h"
#include "device/features/ForwardingFeatures.h"
#include "device/features/SerialNumberFeature.h"
#include "device/features/SpectrometerFeature.h"

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

// Every failure inside the library (and of the standard library beneath it) becomes a code:
// an exception that left the facade would end the process with the units still armed.
// Only std::exception is caught, so that a thread's forced unwinding still passes.

// Calls `call` with the device's first feature of the kind, its first protocol and its first
// bus. Code 2 for an empty slot, 5 without such a feature, 6 when the call throws (or
// `illegalArgument` for IllegalArgumentException), 0 otherwise; the neutral result on failure.
template <class Interface, class Result, class Call>
Result onFeature(Device* device, int* errorCode, Result neutral, Call&& call,
                 int illegalArgument = SpectroWrapper::DATA_TRANSFER_ERROR) {
    if (device == nullptr) {
        store(errorCode, SpectroWrapper::NO_DEVICE_FOUND);
        return neutral;
    }
    store(errorCode, SpectroWrapper::NO_SUCH_FEATURE);
    auto* feature = findFirst<Interface>(device->getFeatures());
    const std::vector<Protocol*> protocols = device->getProtocols();
    const std::vector<Bus*> buses = device->getBuses();
    if (feature == nullptr || protocols.empty() || buses.empty()) {
        return neutral;
    }
    try {
        const Result result = call(*feature, *protocols.front(), *buses.front());
        store(errorCode, SpectroWrapper::SUCCESS);
        return result;
    } catch (const IllegalArgumentException&) {
        store(errorCode, illegalArgument);
    } catch (const std::exception&) {
        store(errorCode, SpectroWrapper::DATA_TRANSFER_ERROR);
    }
    return neutral;
}

// Calls `call` with the device's extra features collection and its USB bus. A device without
// the collection ends with code 0 and `withoutCollection`; one without a USB bus with code 2.
// Otherwise as onFeature. Touches nothing beyond the slot's device: bursts run side by side.
template <class Result, class Call>
Result onExtraFeatures(Device* device, int* errorCode, Result neutral, Result withoutCollection,
                       Call&& call) {
    if (device == nullptr) {
        store(errorCode, SpectroWrapper::NO_DEVICE_FOUND);
        return neutral;
    }
    store(errorCode, SpectroWrapper::NO_SUCH_FEATURE);
    auto* extra = findFirst<ExtraFeaturesCollectionInterface>(device->getFeatures());
    if (extra == nullptr) {
        store(errorCode, SpectroWrapper::SUCCESS);
        return withoutCollection;
    }
    auto* usb = findFirst<SpectrometerUSBInterface>(device->getBuses());
    if (usb == nullptr) {
        store(errorCode, SpectroWrapper::NO_DEVICE_FOUND);
        return neutral;
    }
    try {
        const Result result = call(*extra, *usb);
        store(errorCode, SpectroWrapper::SUCCESS);
        return result;
    } catch (const std::exception&) {
        store(errorCode, SpectroWrapper::DATA_TRANSFER_ERROR);
    }
    return neutral;
}

// Copies the first `length` values, or all of them when there are fewer; returns the count.
int copyValues(const std::vector<double>& values, double* buffer, int length) {
    const std::size_t copied =
        std::min(values.size(), static_cast<std::size_t>(std::max(length, 0)));
    std::copy_n(values.begin(), copied, buffer);
    return static_cast<int>(copied);
}

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

Device* SpectroWrapper::deviceIn(int index) const {
    return validIndex(index) ? slots[static_cast<std::size_t>(index)].get() : nullptr;
}

int SpectroWrapper::openSpectrometer(int index, int* errorCode) {
    store(errorCode, NO_DEVICE_FOUND);
    if (!validIndex(index)) {
        return 1;
    }
    try {
        return openInto(index, errorCode);
    } catch (const std::exception&) {
        // Probing, opening or initialising failed inside the library: the unit is not opened.
        store(errorCode, NO_DEVICE_FOUND);
        return 1;
    }
}

int SpectroWrapper::openInto(int index, int* errorCode) {
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
    // A locator the bus refuses throws, which leaves the unit unopened as a failed open does.
    usb->setLocation(*locators[static_cast<std::size_t>(unit)]);
    device->setLocation(*locators[static_cast<std::size_t>(unit)]);
    device->open();
    locators.clear();
    if (!usb->open()) {
        return 1;
    }

    if (slots[index]) {
        closeSpectrometer(index, errorCode);
    }
    slots[index] = std::move(device);
    try {
        if (Bus* opened = slots[index]->getOpenedBus()) {
            slots[index]->initialize(*opened);
        }
    } catch (...) {
        // A device that could not be initialised does not stay in the slot half set up.
        slots[index].reset();
        throw;
    }
    store(errorCode, SUCCESS);
    return 0;
}

void SpectroWrapper::closeSpectrometer(int index, int* errorCode) {
    if (!validIndex(index) || !slots[index]) {
        store(errorCode, NO_DEVICE_FOUND);
        return;
    }
    try {
        if (auto* usb = findFirst<SpectrometerUSBInterface>(slots[index]->getBuses())) {
            usb->close();
            store(errorCode, SUCCESS);
        } else {
            store(errorCode, NO_DEVICE_FOUND);
        }
    } catch (const std::exception&) {
        store(errorCode, DATA_TRANSFER_ERROR);
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
        } catch (const std::exception&) {
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

void SpectroWrapper::setTriggerMode(int index, int* errorCode, std::int32_t mode) {
    onFeature<SpectrometerFeatureInterface>(
        deviceIn(index), errorCode, 0, [mode](auto& spectrometer, auto& protocol, auto& bus) {
            spectrometer.setTriggerMode(protocol, bus, SpectrometerTriggerMode(mode));
            return 0;
        });
}

void SpectroWrapper::setIntegrationTimeMicros(int index, int* errorCode, std::uint32_t micros) {
    onFeature<SpectrometerFeatureInterface>(
        deviceIn(index), errorCode, 0,
        [micros](auto& spectrometer, auto& protocol, auto& bus) {
            spectrometer.setIntegrationTimeMicros(protocol, bus, micros);
            return 0;
        },
        ARGUMENT_REFUSED);
}

int SpectroWrapper::getMinIntegrationTimeMicros(int index, int* errorCode) {
    return onFeature<SpectrometerFeatureInterface>(
        deviceIn(index), errorCode, -1,
        [](auto& spectrometer, auto&, auto&) { return spectrometer.getIntegrationTimeMinimum(); });
}

int SpectroWrapper::getMaxIntegrationTimeMicros(int index, int* errorCode) {
    return onFeature<SpectrometerFeatureInterface>(
        deviceIn(index), errorCode, -1,
        [](auto& spectrometer, auto&, auto&) { return spectrometer.getIntegrationTimeMaximum(); });
}

int SpectroWrapper::getSpectrumLength(int index, int* errorCode) {
    return onFeature<SpectrometerFeatureInterface>(
        deviceIn(index), errorCode, 0,
        [](auto& spectrometer, auto&, auto&) { return spectrometer.getNumberOfPixels(); });
}

int SpectroWrapper::getSpectrum(int index, int* errorCode, double* buffer, int length) {
    if (deviceIn(index) != nullptr && buffer == nullptr) {
        store(errorCode, INVALID_USER_BUFFER);
        return 0;
    }
    return onFeature<SpectrometerFeatureInterface>(
        deviceIn(index), errorCode, 0, [&](auto& spectrometer, auto& protocol, auto& bus) {
            const std::optional<std::vector<double>> spectrum =
                spectrometer.getSpectrum(protocol, bus);
            // A reply that held no spectrum is a failed transfer, not an empty success.
            if (!spectrum) throw FeatureException("The spectrometer returned no spectrum.");
            return copyValues(*spectrum, buffer, length);
        });
}

int SpectroWrapper::getWavelengths(int index, int* errorCode, double* buffer, int length) {
    if (deviceIn(index) != nullptr && buffer == nullptr) {
        store(errorCode, INVALID_USER_BUFFER);
        return 0;
    }
    return onFeature<SpectrometerFeatureInterface>(
        deviceIn(index), errorCode, 0, [&](auto& spectrometer, auto& protocol, auto& bus) {
            return copyValues(spectrometer.getWavelengths(protocol, bus), buffer, length);
        });
}

void SpectroWrapper::enableStrobeLamp(int index, int* errorCode) {
    onFeature<StrobeLampFeatureInterface>(deviceIn(index), errorCode, 0,
                                          [](auto& lamp, auto& protocol, auto& bus) {
                                              lamp.setStrobeLampEnable(protocol, bus, true);
                                              return 0;
                                          });
}

int SpectroWrapper::getFWversion(int index, int* errorCode) {
    return onExtraFeatures(deviceIn(index), errorCode, 0, 0,
                           [](auto& extra, auto& bus) { return extra.getFWversion(bus); });
}

double SpectroWrapper::getPCBTemperature(int index, int* errorCode) {
    // No collection, no board thermometer: not-a-number, as a unit of type 2 reports.
    return onExtraFeatures(deviceIn(index), errorCode, 0.0,
                           std::numeric_limits<double>::quiet_NaN(),
                           [](auto& extra, auto& bus) { return extra.getBoardTemperature(bus); });
}

void SpectroWrapper::setStrobeHighDelay(int index, int* errorCode) {
    onExtraFeatures(deviceIn(index), errorCode, 0, 0, [](auto& extra, auto& bus) {
        extra.setSingleStrobeHighClockTransitionDelay(bus, STROBE_HIGH_DELAY);
        return 0;
    });
}

int SpectroWrapper::getStrobeHighDelay(int index, int* errorCode) {
    return onExtraFeatures(deviceIn(index), errorCode, 0, 0, [](auto& extra, auto& bus) {
        return extra.getSingleStrobeHighClockTransitionDelay(bus);
    });
}

void SpectroWrapper::setStrobeLowDelay(int index, int* errorCode) {
    onExtraFeatures(deviceIn(index), errorCode, 0, 0, [](auto& extra, auto& bus) {
        extra.setSingleStrobeLowClockTransitionDelay(bus, STROBE_LOW_DELAY);
        return 0;
    });
}

int SpectroWrapper::getStrobeLowDelay(int index, int* errorCode) {
    return onExtraFeatures(deviceIn(index), errorCode, 0, 0, [](auto& extra, auto& bus) {
        return extra.getSingleStrobeLowClockTransitionDelay(bus);
    });
}

int SpectroWrapper::queryStatus(int index, int* errorCode, std::int32_t* integrationTime) {
    return onExtraFeatures(deviceIn(index), errorCode, 0, 0, [=](auto& extra, auto& bus) {
        return extra.queryStatus(bus, nullptr, integrationTime, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr);
    });
}

int SpectroWrapper::getCalibration(int index, int* errorCode, std::array<double, 8>* nonlinearity,
                                   double* strayLight) {
    return onExtraFeatures(deviceIn(index), errorCode, 0, 0, [=](auto& extra, auto& bus) {
        return extra.getCalibration(bus, nullptr, nonlinearity, strayLight);
    });
}

int SpectroWrapper::collectSpectra(int index, int* errorCode, std::int32_t count,
                                   std::span<double> spectra, std::int32_t* pixelsPerSpectrum,
                                   std::span<double> intervals,
                                   std::optional<std::int64_t>* firstTimestamp,
                                   std::atomic<std::uint8_t>* startedFlag) {
    // Runs on the slot's acquisition thread: it only reads the slot and drives its own device.
    return onExtraFeatures(deviceIn(index), errorCode, 0, 0, [&](auto& extra, auto& bus) {
        return extra.CollectSpectra(bus, count, spectra, pixelsPerSpectrum, intervals,
                                    firstTimestamp, startedFlag);
    });
}

}  // namespace spectro
