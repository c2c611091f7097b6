#include "device/protocols/legacy/SlotAndRegisterExchanges.h"

#include "device/protocols/legacy/LegacyControlTransfers.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace spectro {

namespace {

using legacyProtocol::ControlHint;
using legacyProtocol::controlRead;
using legacyProtocol::controlWrite;

constexpr std::uint8_t OP_READ_EEPROM_SLOT = 0x05;
constexpr std::uint8_t OP_WRITE_EEPROM_SLOT = 0x06;
constexpr std::uint8_t OP_WRITE_REGISTER = 0x6A;
constexpr std::uint8_t OP_READ_REGISTER = 0x6B;
constexpr std::uint32_t SLOT_WRITE_LENGTH = 17;

}  // namespace

FPGARegisterWriteExchange::FPGARegisterWriteExchange(std::uint8_t address, std::uint16_t value)
    : Transfer(std::make_unique<ControlHint>(), TO_DEVICE, 4) {
    buffer[0] = OP_WRITE_REGISTER;
    buffer[1] = address;
    buffer[2] = static_cast<std::uint8_t>(value & 0xFF);
    buffer[3] = static_cast<std::uint8_t>(value >> 8);
}

FPGARegisterReadExchange::FPGARegisterReadExchange(std::uint8_t address) {
    addTransfer(controlWrite({OP_READ_REGISTER, address}));
    addTransfer(controlRead(REPLY_LENGTH));
}

ReadEEPROMSlotExchange::ReadEEPROMSlotExchange(std::uint8_t slot) {
    addTransfer(controlWrite({OP_READ_EEPROM_SLOT, slot}));
    addTransfer(controlRead(REPLY_LENGTH));
}

WriteEEPROMSlotExchange::WriteEEPROMSlotExchange(std::uint8_t slot,
                                                 const std::vector<std::uint8_t>& data) {
    if (data.size() > MAX_DATA_LENGTH) throw std::out_of_range("invalid vector subscript");
    std::vector<std::uint8_t> bytes(SLOT_WRITE_LENGTH, 0);
    bytes[0] = OP_WRITE_EEPROM_SLOT;
    bytes[1] = slot;
    std::copy(data.begin(), data.end(), bytes.begin() + 2);
    addTransfer(controlWrite(std::move(bytes)));
}

}  // namespace spectro
