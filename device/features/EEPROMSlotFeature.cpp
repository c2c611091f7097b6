#include "device/features/EEPROMSlotFeature.h"

#include <algorithm>
#include <exception>
#include <sstream>

#include "device/protocols/legacy/LegacyFeatureProtocols.h"

namespace spectro {

namespace {

const char* const READ_NOT_FOUND =
    "Could not find matching protocol implementation to get read EEPROM.";
const char* const WRITE_NOT_FOUND =
    "Could not find matching protocol implementation to get write EEPROM.";

// Standard stream extraction from the start of the text: leading white space is skipped,
// trailing characters are ignored, and text without a number gives 0.
template <class Number>
Number parseLeading(const std::string& text, const char* failure) {
    try {
        std::istringstream stream(text);
        Number value{};
        if (!(stream >> value)) return Number{};
        return value;
    } catch (const std::exception&) {
        throw NumberFormatException(failure);
    }
}

}  // namespace

std::string slotText(const std::vector<std::uint8_t>& bytes, std::size_t offset,
                     std::size_t limit) {
    std::string text;
    for (std::size_t i = offset; i < bytes.size() && text.size() < limit; ++i) {
        if (bytes[i] == 0) break;
        text.push_back(static_cast<char>(bytes[i]));
    }
    return text;
}

EEPROMSlotFeatureBase::EEPROMSlotFeatureBase()
    : FeatureImpl(std::make_unique<legacyProtocol::LegacyEEPROMProtocol>()) {}

EEPROMSlotFeatureBase::EEPROMSlotFeatureBase(std::unique_ptr<ProtocolHelper> implementation)
    : FeatureImpl(std::move(implementation)) {}

std::optional<std::vector<std::uint8_t>> EEPROMSlotFeatureBase::readSlotContents(
    const Protocol& protocol, const Bus& bus, unsigned int slot) {
    return forward<EEPROMProtocolInterface>(
        protocol, READ_NOT_FOUND, [&](auto& eeprom) { return eeprom.readEEPROMSlot(bus, slot); });
}

std::vector<std::uint8_t> EEPROMSlotFeatureBase::readEEPROMSlot(const Protocol& protocol,
                                                                const Bus& bus, unsigned int slot) {
    auto contents = readSlotContents(protocol, bus, slot);
    if (!contents) throw FeatureControlException("Could not read EEPROM slot.");
    return std::move(*contents);
}

int EEPROMSlotFeatureBase::writeEEPROMSlot(const Protocol& protocol, const Bus& bus,
                                           unsigned int slot,
                                           const std::vector<std::uint8_t>& data) {
    return forward<EEPROMProtocolInterface>(protocol, WRITE_NOT_FOUND, [&](auto& eeprom) {
        return eeprom.writeEEPROMSlot(bus, slot, data);
    });
}

std::string EEPROMSlotFeatureBase::readSlotText(const Protocol& protocol, const Bus& bus,
                                                unsigned int slot) {
    std::vector<std::uint8_t> contents;
    try {
        contents = readEEPROMSlot(protocol, bus, slot);
    } catch (const IllegalArgumentException&) {
        throw FeatureException("Trying to read and parse invalid slot.");
    }
    return slotText(contents, 0, SLOT_LENGTH);
}

double EEPROMSlotFeatureBase::readDouble(const Protocol& protocol, const Bus& bus,
                                         unsigned int slot) {
    return parseLeading<double>(readSlotText(protocol, bus, slot),
                                "Could not parse double out of EEPROM slot.");
}

long EEPROMSlotFeatureBase::readLong(const Protocol& protocol, const Bus& bus, unsigned int slot) {
    return parseLeading<long>(readSlotText(protocol, bus, slot),
                              "Could not parse int out of EEPROM slot.");
}

EEPROMSlotFeature::EEPROMSlotFeature(unsigned int slotCount) : slotCount(slotCount) {}

EEPROMSlotFeature::EEPROMSlotFeature(unsigned int slotCount,
                                     std::unique_ptr<ProtocolHelper> implementation)
    : EEPROMSlotFeatureBase(std::move(implementation)), slotCount(slotCount) {}

void EEPROMSlotFeature::checkSlot(unsigned int slot) const {
    if (slot >= slotCount) throw IllegalArgumentException("EEPROM slot out of bounds.");
}

std::vector<std::vector<std::uint8_t>> EEPROMSlotFeature::readAllEEPROMSlots(
    const Protocol& protocol, const Bus& bus) {
    std::vector<std::vector<std::uint8_t>> slots;
    for (unsigned int slot = 0; slot < slotCount; ++slot) {
        try {
            slots.push_back(readEEPROMSlot(protocol, bus, slot));
        } catch (const IllegalArgumentException&) {
            // A slot the device refuses is left out of the list.
        }
    }
    return slots;
}

std::vector<std::uint8_t> EEPROMSlotFeature::readEEPROMSlot(const Protocol& protocol,
                                                            const Bus& bus, unsigned int slot) {
    checkSlot(slot);
    return EEPROMSlotFeatureBase::readEEPROMSlot(protocol, bus, slot);
}

int EEPROMSlotFeature::writeEEPROMSlot(const Protocol& protocol, const Bus& bus, unsigned int slot,
                                       const std::vector<std::uint8_t>& data) {
    checkSlot(slot);
    return EEPROMSlotFeatureBase::writeEEPROMSlot(protocol, bus, slot, data);
}

FeatureFamily EEPROMSlotFeature::getFeatureFamily() { return api::FeatureFamilies().EEPROM; }

}  // namespace spectro
