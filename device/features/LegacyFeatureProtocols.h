#pragma once

// The legacy-protocol implementations that the framework's own features build for
// themselves: information slots (calibration features), FPGA registers (continuous strobe,
// acquisition delay) and the strobe/lamp line (continuous strobe enable). Each owns a
// LegacyProtocol identity (id 1000) and runs one exchange per call, except the strobe
// protocol, which keeps its exchange.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "device/common/Exchange.h"
#include "device/common/Protocol.h"
#include "device/features/ProtocolInterfaces.h"

namespace spectro::legacyProtocol {

// 0x03, enable (1 or 0), 0x00 on the control hint.
class StrobeEnableExchange : public Transfer {
  public:
    StrobeEnableExchange();
    void setStrobeEnable(bool enable) { this->enable = enable; }
    std::unique_ptr<Data> transfer(TransferHelper& helper) override;

  private:
    bool enable = false;
};

class LegacyEEPROMProtocol : public EEPROMProtocolInterface, public ProtocolHelper {
  public:
    LegacyEEPROMProtocol();
    // The 15 bytes after the two header bytes of the slot reply; a shorter reply gives what
    // it holds after the header (never more than was received).
    std::optional<std::vector<std::uint8_t>> readEEPROMSlot(const Bus& bus,
                                                            unsigned int slot) override;
    int writeEEPROMSlot(const Bus& bus, unsigned int slot,
                        const std::vector<std::uint8_t>& data) override;
};

class FPGARegisterProtocol : public FPGARegisterProtocolInterface, public ProtocolHelper {
  public:
    FPGARegisterProtocol();
    std::uint16_t readRegister(const Bus& bus, std::uint8_t address) override;
    void writeRegister(const Bus& bus, std::uint8_t address, std::uint16_t value) override;
};

class LegacyStrobeLampProtocol : public StrobeLampProtocolInterface, public ProtocolHelper {
  public:
    LegacyStrobeLampProtocol();
    void setStrobeLampEnable(const Bus& bus, bool enable) override;

  private:
    StrobeEnableExchange strobeEnable;
};

}  // namespace spectro::legacyProtocol
