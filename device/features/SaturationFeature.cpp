#include "device/features/SaturationFeature.h"

namespace spectro {

namespace {
const char* const UNREADABLE_SLOT = "Unable to read EEPROM slot for saturation level";
}

bool ProgrammableSaturationFeatureBase::initialize(const Protocol& protocol, const Bus& bus) {
    try {
        const unsigned int level = readSaturation(protocol, bus);
        saturation = static_cast<int>(level);
        saturationValid = true;
    } catch (const FeatureException&) {
        saturationValid = false;
    }
    return true;
}

int ProgrammableSaturationFeatureBase::getSaturation() {
    if (!saturationValid) throw FeatureException("Saturation level not properly initialized");
    return saturation;
}

FeatureFamily ProgrammableSaturationFeatureBase::getFeatureFamily() {
    // No family of its own: the feature is reached through the spectrometer feature only.
    return api::FeatureFamilies().UNDEFINED;
}

unsigned int SaturationEEPROMSlotFeatureBase::readSaturation(const Protocol& protocol,
                                                             const Bus& bus) {
    const auto slot = readSlotContents(protocol, bus, static_cast<unsigned int>(saturationSlot));
    if (!slot || slot->size() < requiredLength()) throw FeatureException(UNREADABLE_SLOT);
    return decode(*slot);
}

bool SaturationEEPROMSlotFeatureBase::initialize(const Protocol& protocol, const Bus& bus) {
    return ProgrammableSaturationFeatureBase::initialize(protocol, bus);
}

FeatureFamily SaturationEEPROMSlotFeatureBase::getFeatureFamily() {
    return ProgrammableSaturationFeatureBase::getFeatureFamily();
}

unsigned int SaturationEEPROMSlotFeature::decode(const std::vector<std::uint8_t>& slot) const {
    return slot[4] | (slot[5] << 8);
}

unsigned int SaturationEEPROMSlotFeature_MayaPro::decode(
    const std::vector<std::uint8_t>& slot) const {
    return slot[0] | (slot[1] << 8);
}

unsigned int SaturationEEPROMSlotFeature_NIRQuest::decode(
    const std::vector<std::uint8_t>& slot) const {
    return static_cast<unsigned int>(slot[4]) | (static_cast<unsigned int>(slot[5]) << 8) |
           (static_cast<unsigned int>(slot[6]) << 16) | (static_cast<unsigned int>(slot[7]) << 24);
}

ProgrammableSaturationFeatureImpl::ProgrammableSaturationFeatureImpl(
    std::unique_ptr<ProtocolHelper> implementation)
    : FeatureImpl(std::move(implementation)) {}

unsigned int ProgrammableSaturationFeatureImpl::readSaturation(const Protocol& protocol,
                                                               const Bus& bus) {
    return forward<ProgrammableSaturationProtocolInterface>(
        protocol, "Could not find matching protocol implementation to get saturation level.",
        [&](auto& saturationProtocol) { return saturationProtocol.getSaturation(bus); });
}

bool ProgrammableSaturationFeatureImpl::initialize(const Protocol& protocol, const Bus& bus) {
    return ProgrammableSaturationFeatureBase::initialize(protocol, bus);
}

FeatureFamily ProgrammableSaturationFeatureImpl::getFeatureFamily() {
    return ProgrammableSaturationFeatureBase::getFeatureFamily();
}

}  // namespace spectro
