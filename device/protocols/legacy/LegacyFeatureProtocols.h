#pragma once

// The legacy-protocol implementations of the auxiliary features: information slots, FPGA
// registers, the strobe/lamp line, the cooler and the irradiance calibration. Each owns a
// LegacyProtocol identity (id 1000). The strobe and cooler implementations keep their
// exchanges (one device, one thread at a time); the others build one exchange per call.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "device/common/Exchange.h"
#include "device/common/Protocol.h"
#include "device/protocols/ProtocolInterfaces.h"
#include "device/protocols/legacy/LegacyCommandExchanges.h"

namespace spectro::legacyProtocol {

class LegacyEEPROMProtocol : public EEPROMProtocolInterface, public ProtocolHelper {
  public:
    LegacyEEPROMProtocol();
    // The 15 bytes after the two header bytes of the slot reply; a short reply throws the
    // missing-result ProtocolException.
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

class LegacyTECProtocol : public ThermoElectricProtocolInterface, public ProtocolHelper {
  public:
    LegacyTECProtocol();
    double readTECTemperature(const Bus& bus) override;
    void setTECEnable(const Bus& bus, bool enable) override;
    void setTECSetPoint(const Bus& bus, double degreesC) override;

  private:
    TECQEEnableExchange enableExchange;
    WriteTECQESetPointExchange setPointExchange;
    ReadTECQETemperatureExchange temperatureExchange;
};

// The values are 32-bit words; the features see them as the floats they hold.
class LegacyIrradCalProtocol : public IrradCalProtocolInterface, public ProtocolHelper {
  public:
    // How the protocol waits after a chunk it wrote (tests record instead of sleeping).
    using Pause = std::function<void(std::chrono::milliseconds)>;

    explicit LegacyIrradCalProtocol(std::uint32_t numberOfPixels, Pause pause = sleepFor);
    std::vector<float> readIrradCal(const Bus& bus) override;
    // Waits 200 ms after every chunk, as the unit needs to store it.
    int writeIrradCal(const Bus& bus, const std::vector<float>& values) override;
    bool hasCollectionArea(const Bus& bus) override;
    double readCollectionArea(const Bus& bus) override;
    void writeCollectionArea(const Bus& bus, double area) override;

  private:
    static void sleepFor(std::chrono::milliseconds duration);

    std::uint32_t numberOfPixels;
    Pause pause;
};

}  // namespace spectro::legacyProtocol
