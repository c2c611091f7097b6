#include "device/protocols/legacy/LegacyFeatureProtocols.h"

#include <bit>
#include <chrono>
#include <thread>

#include "device/common/Exceptions.h"
#include "device/protocols/legacy/SlotAndRegisterExchanges.h"

namespace spectro::legacyProtocol {

namespace {

// Slot numbers and register addresses are single bytes on the wire.
std::uint8_t slotByte(unsigned int slot) {
    if (slot > 0xFF) throw IllegalArgumentException("EEPROM slot out of bounds.");
    return static_cast<std::uint8_t>(slot);
}

}  // namespace

LegacyEEPROMProtocol::LegacyEEPROMProtocol() : ProtocolHelper(std::make_unique<LegacyProtocol>()) {}

std::optional<std::vector<std::uint8_t>> LegacyEEPROMProtocol::readEEPROMSlot(const Bus& bus,
                                                                              unsigned int slot) {
    ReadEEPROMSlotExchange exchange(slotByte(slot));
    std::unique_ptr<Data> result = runExchange(bus, exchange);
    auto* reply = dynamic_cast<ByteVector*>(result.get());
    // A short reply counts as none: its missing bytes would be another reply's.
    if (reply == nullptr || reply->getValues().size() < ReadEEPROMSlotExchange::REPLY_LENGTH) {
        throw ProtocolException(
            "Expected Transfer::transfer to produce a non-null result containing raw EEPROM "
            "data.  Without this data, it is not possible to generate a valid EEPROM slot "
            "value.");
    }
    const std::vector<std::uint8_t>& bytes = reply->getValues();
    return std::vector<std::uint8_t>(bytes.begin() + ReadEEPROMSlotExchange::HEADER_LENGTH,
                                     bytes.end());
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

LegacyTECProtocol::LegacyTECProtocol() : ProtocolHelper(std::make_unique<LegacyProtocol>()) {}

double LegacyTECProtocol::readTECTemperature(const Bus& bus) {
    std::unique_ptr<Data> result = runExchange(bus, temperatureExchange);
    auto* temperature = dynamic_cast<DoubleVector*>(result.get());
    if (temperature == nullptr || temperature->getValues().empty()) {
        throw ProtocolException(
            "Expected Transfer::transfer to produce a non-null result containing raw "
            "temperature data.  Without this data, it is not possible to generate a valid TEC "
            "temperature.");
    }
    return temperature->getValues().front();
}

void LegacyTECProtocol::setTECEnable(const Bus& bus, bool enable) {
    TransferHelper& helper = findTransferHelper(bus, enableExchange);
    enableExchange.setEnable(enable);
    enableExchange.transfer(helper);
}

void LegacyTECProtocol::setTECSetPoint(const Bus& bus, double degreesC) {
    TransferHelper& helper = findTransferHelper(bus, setPointExchange);
    setPointExchange.setSetPointCelsius(degreesC);
    setPointExchange.transfer(helper);
}

LegacyIrradCalProtocol::LegacyIrradCalProtocol(std::uint32_t numberOfPixels, Pause pause)
    : ProtocolHelper(std::make_unique<LegacyProtocol>()),
      numberOfPixels(numberOfPixels),
      pause(std::move(pause)) {}

void LegacyIrradCalProtocol::sleepFor(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

std::vector<float> LegacyIrradCalProtocol::readIrradCal(const Bus& bus) {
    LegacyReadIrradCalExchange exchange(numberOfPixels);
    std::unique_ptr<Data> result = runExchange(bus, exchange);
    auto* bytes = dynamic_cast<ByteVector*>(result.get());
    if (bytes == nullptr) {
        // A chunk that came back short would shift every later value.
        throw ProtocolException(
            "Expected Transfer::transfer to produce a non-null result containing calibration "
            "data.  Without this data, it is not possible to generate a calibration array.");
    }
    const std::vector<std::uint8_t>& raw = bytes->getValues();
    std::vector<float> values;
    values.reserve(raw.size() / 4);
    for (std::size_t i = 0; i + 4 <= raw.size(); i += 4) {
        const std::uint32_t word = std::uint32_t{raw[i]} << 24 | std::uint32_t{raw[i + 1]} << 16 |
                                   std::uint32_t{raw[i + 2]} << 8 | std::uint32_t{raw[i + 3]};
        values.push_back(std::bit_cast<float>(word));
    }
    return values;
}

int LegacyIrradCalProtocol::writeIrradCal(const Bus& bus, const std::vector<float>& values) {
    std::vector<std::uint32_t> words;
    words.reserve(std::min<std::size_t>(values.size(), numberOfPixels));
    for (std::size_t i = 0; i < values.size() && i < numberOfPixels; ++i)
        words.push_back(std::bit_cast<std::uint32_t>(values[i]));
    LegacyWriteIrradCalExchange exchange(numberOfPixels);
    const std::uint32_t written = exchange.setValues(words);
    if (exchange.getTransfers().empty()) return 0;
    TransferHelper& helper = findTransferHelper(bus, exchange);
    for (const auto& chunk : exchange.getTransfers()) {
        chunk->transfer(helper);
        pause(std::chrono::milliseconds(200));
    }
    return static_cast<int>(written);
}

bool LegacyIrradCalProtocol::hasCollectionArea(const Bus&) { return false; }

double LegacyIrradCalProtocol::readCollectionArea(const Bus&) {
    throw ProtocolException("Legacy protocol does not support reading collection area.");
}

void LegacyIrradCalProtocol::writeCollectionArea(const Bus&, double) {
    throw ProtocolException("Legacy protocol does not support writing collection area.");
}

}  // namespace spectro::legacyProtocol
