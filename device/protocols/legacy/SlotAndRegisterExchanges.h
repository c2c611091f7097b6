#pragma once

#include <cstdint>
#include <vector>

#include "device/common/Exchange.h"

namespace spectro {

// The FPGA register and information-slot commands of the legacy protocol. They live here
// because the framework's own calibration and register features use them. Each is built for
// one call and carries the control hint on every transfer.

// 0x6A, register, value low, value high.
class FPGARegisterWriteExchange : public Transfer {
  public:
    FPGARegisterWriteExchange(std::uint8_t address, std::uint16_t value);
};

// Write 0x6B, register; then read 3 bytes whose bytes 1 and 2 are the value, low first.
class FPGARegisterReadExchange : public Transaction {
  public:
    static constexpr std::uint32_t REPLY_LENGTH = 3;
    explicit FPGARegisterReadExchange(std::uint8_t address);
};

// Write 0x05, slot; then read 17 bytes: 0x05, slot, 15 bytes of slot contents.
class ReadEEPROMSlotExchange : public Transaction {
  public:
    static constexpr std::uint32_t REPLY_LENGTH = 17;
    static constexpr std::uint32_t HEADER_LENGTH = 2;
    explicit ReadEEPROMSlotExchange(std::uint8_t slot);
};

// Write 0x06, slot, up to 15 data bytes, zero-filled to 17 bytes. More than 15 data bytes
// throw std::out_of_range before anything can be sent.
class WriteEEPROMSlotExchange : public Transaction {
  public:
    static constexpr std::size_t MAX_DATA_LENGTH = 15;
    WriteEEPROMSlotExchange(std::uint8_t slot, const std::vector<std::uint8_t>& data);
};

}  // namespace spectro
