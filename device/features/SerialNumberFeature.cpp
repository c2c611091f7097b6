#include "device/features/SerialNumberFeature.h"

#include <algorithm>

namespace spectro {

namespace {
const char* const NOT_FOUND =
    "Could not find matching protocol implementation to get serial number.";
}

std::uint8_t SerialNumberEEPROMSlotFeature::getSerialNumberMaximumLength(const Protocol&,
                                                                         const Bus&) {
    return static_cast<std::uint8_t>(SLOT_LENGTH);
}

std::string SerialNumberEEPROMSlotFeature::readSerialNumber(const Protocol& protocol,
                                                            const Bus& bus) {
    std::vector<std::uint8_t> contents;
    try {
        contents = readEEPROMSlot(protocol, bus, SERIAL_NUMBER_SLOT);
    } catch (const IllegalArgumentException&) {
        throw FeatureException("Internal error: serial number slot invalid.");
    }
    auto end = std::find(contents.begin(), contents.end(), std::uint8_t{0});
    if (end != contents.end()) ++end;  // the terminating zero is part of the text
    return std::string(contents.begin(), end);
}

FeatureFamily SerialNumberEEPROMSlotFeature::getFeatureFamily() {
    return api::FeatureFamilies().SERIAL_NUMBER;
}

SerialNumberFeature::SerialNumberFeature(std::unique_ptr<ProtocolHelper> implementation)
    : FeatureImpl(std::move(implementation)) {}

std::uint8_t SerialNumberFeature::getSerialNumberMaximumLength(const Protocol& protocol,
                                                               const Bus& bus) {
    return forward<SerialNumberProtocolInterface>(protocol, NOT_FOUND, [&](auto& serial) {
        return serial.readSerialNumberMaximumLength(bus);
    });
}

std::string SerialNumberFeature::readSerialNumber(const Protocol& protocol, const Bus& bus) {
    return forward<SerialNumberProtocolInterface>(
        protocol, NOT_FOUND, [&](auto& serial) { return serial.readSerialNumber(bus); });
}

FeatureFamily SerialNumberFeature::getFeatureFamily() {
    return api::FeatureFamilies().SERIAL_NUMBER;
}

}  // namespace spectro
