#include "device/features/LegacyFeatureProtocols.h"

#include "device/common/Exceptions.h"
#include "device/common/SlotAndRegisterExchanges.h"

namespace spectro::legacyProtocol {

namespace {

constexpr std::uint8_t OP_STROBE_ENABLE = 0x03;

// Slot numbers and register addresses are single bytes on the wire.
std::uint8_t slotByte(unsigned int slot) {
    if (slot > 0xFF) throw IllegalArgumentException("EEPROM slot out of bounds.");
    return static_cast<std::uint8_t>(slot);
}

}  // namespace

StrobeEnableExchange::StrobeEnableExchange()
    : Transfer(std::make_unique<ControlHint>(), TO_DEVICE, 3) {
    buffer[0] = OP_STROBE_ENABLE;
}

std::unique_ptr<Data> StrobeEnableExchange::transfer(TransferHelper& helper) {
    buffer[1] = enable ? 1 : 0;
    buffer[2] = 0;
    return Transfer::transfer(helper);
}

LegacyEEPROMProtocol::LegacyEEPROMProtocol() : ProtocolHelper(std::make_unique<LegacyProtocol>()) {}

std::optional<std::vector<std::uint8_t>> LegacyEEPROMProtocol::readEEPROMSlot(const Bus& bus,
                                                                              unsigned int slot) {
    ReadEEPROMSlotExchange exchange(slotByte(slot));
    std::unique_ptr<Data> result = runExchange(bus, exchange);
    auto* reply = dynamic_cast<ByteVector*>(result.get());
    if (reply == nullptr) {
        throw ProtocolException(
            "Expected Transfer::transfer to produce a non-null result containing raw EEPROM "
            "data.  Without this data, it is not possible to generate a valid EEPROM slot "
            "value.");
    }
    const std::vector<std::uint8_t>& bytes = reply->getValues();
    const std::size_t header = ReadEEPROMSlotExchange::HEADER_LENGTH;
    if (bytes.size() <= header) return std::vector<std::uint8_t>{};
    return std::vector<std::uint8_t>(bytes.begin() + header, bytes.end());
}

int LegacyEEPROMProtocol::writeEEPROMSlot(const Bus& bus, unsigned int slot,
                                          const std::vector<std::uint8_t>& data) {
    WriteEEPROMSlotExchange exchange(slotByte(slot), data);
    runExchange(bus, exchange);
    return static_cast<int>(data.size());
}

FPGARegisterProtocol::FPGARegisterProtocol() : ProtocolHelper(std::make_unique<LegacyProtocol>()) {}

std::uint16_t FPGARegisterProtocol::readRegister(const Bus& bus, std::uint8_t address) {
    FPGARegisterReadExchange exchange(address);
    std::unique_ptr<Data> result = runExchange(bus, exchange);
    if (!result) throw ProtocolException("Expected non-NULL result from FPGARegisterReadExchange");
    auto* reply = dynamic_cast<ByteVector*>(result.get());
    if (reply == nullptr) {
        throw ProtocolException("Expected ByteVector from FPGARegisterReadExchange");
    }
    const std::vector<std::uint8_t>& bytes = reply->getValues();
    if (bytes.size() != FPGARegisterReadExchange::REPLY_LENGTH) {
        throw ProtocolException("Expected 3 bytes from FPGARegisterReadExchange");
    }
    return static_cast<std::uint16_t>(bytes[1] | (bytes[2] << 8));
}

void FPGARegisterProtocol::writeRegister(const Bus& bus, std::uint8_t address,
                                         std::uint16_t value) {
    FPGARegisterWriteExchange exchange(address, value);
    runExchange(bus, exchange);
}

LegacyStrobeLampProtocol::LegacyStrobeLampProtocol()
    : ProtocolHelper(std::make_unique<LegacyProtocol>()) {}

void LegacyStrobeLampProtocol::setStrobeLampEnable(const Bus& bus, bool enable) {
    // The flag is stored only once a helper was found, so a refused call leaves it unchanged.
    TransferHelper& helper = findTransferHelper(bus, strobeEnable);
    strobeEnable.setStrobeEnable(enable);
    strobeEnable.transfer(helper);
}

}  // namespace spectro::legacyProtocol
