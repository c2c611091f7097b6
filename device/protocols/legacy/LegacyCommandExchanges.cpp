#include "device/protocols/legacy/LegacyCommandExchanges.h"

#include <algorithm>

#include "device/common/Exceptions.h"
#include "device/protocols/legacy/LegacyControlTransfers.h"

namespace spectro::legacyProtocol {

namespace {

constexpr std::uint8_t OP_INTEGRATION_TIME = 0x02;
constexpr std::uint8_t OP_STROBE_ENABLE = 0x03;
constexpr std::uint8_t OP_REQUEST_SPECTRUM = 0x09;
constexpr std::uint8_t OP_TRIGGER_MODE = 0x0A;
constexpr std::uint8_t OP_READ_IRRADIANCE = 0x6D;
constexpr std::uint8_t OP_WRITE_IRRADIANCE = 0x6E;
constexpr std::uint8_t OP_TEC_ENABLE = 0x71;
constexpr std::uint8_t OP_READ_TEC_TEMPERATURE = 0x72;
constexpr std::uint8_t OP_TEC_SET_POINT = 0x73;

constexpr std::uint32_t IRRADIANCE_WRITE_LENGTH = 63;

void putLittle16(std::vector<std::uint8_t>& buffer, std::size_t at, std::uint32_t value) {
    buffer[at] = static_cast<std::uint8_t>(value & 0xFF);
    buffer[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

}  // namespace

const char* const TEC_TEMPERATURE_MISSING =
    "Expected Transfer::transfer to produce a non-null result containing raw temperature "
    "data.  Without this data, it is not possible to generate a valid temperature reading.";

IntegrationTimeExchange::IntegrationTimeExchange(std::uint32_t timeBase)
    : Transfer(std::make_unique<ControlHint>(), TO_DEVICE, 5), timeBase(timeBase == 0 ? 1 : timeBase) {
    buffer[0] = OP_INTEGRATION_TIME;
}

void IntegrationTimeExchange::setIntegrationTimeMicros(std::uint32_t micros) {
    integrationTime = micros / timeBase;
}

std::unique_ptr<Data> IntegrationTimeExchange::transfer(TransferHelper& helper) {
    for (int i = 0; i < 4; ++i)
        buffer[1 + i] = static_cast<std::uint8_t>((integrationTime >> (8 * i)) & 0xFF);
    return Transfer::transfer(helper);
}

StrobeEnableExchange::StrobeEnableExchange()
    : Transfer(std::make_unique<ControlHint>(), TO_DEVICE, 3) {
    buffer[0] = OP_STROBE_ENABLE;
}

std::unique_ptr<Data> StrobeEnableExchange::transfer(TransferHelper& helper) {
    buffer[1] = enable ? 1 : 0;
    buffer[2] = 0;
    return Transfer::transfer(helper);
}

RequestSpectrumExchange::RequestSpectrumExchange()
    : Transfer(std::make_unique<SpectrumHint>(), TO_DEVICE, 1) {
    buffer[0] = OP_REQUEST_SPECTRUM;
}

TriggerModeExchange::TriggerModeExchange()
    : Transfer(std::make_unique<ControlHint>(), TO_DEVICE, 3) {
    buffer[0] = OP_TRIGGER_MODE;
}

std::unique_ptr<Data> TriggerModeExchange::transfer(TransferHelper& helper) {
    putLittle16(buffer, 1, static_cast<std::uint32_t>(mode));
    return Transfer::transfer(helper);
}

TECEnableExchange::TECEnableExchange() : Transfer(std::make_unique<ControlHint>(), TO_DEVICE, 3) {}

TECQEEnableExchange::TECQEEnableExchange() { buffer[0] = OP_TEC_ENABLE; }

std::unique_ptr<Data> TECQEEnableExchange::transfer(TransferHelper& helper) {
    buffer[1] = enable ? 1 : 0;
    buffer[2] = 0;
    return Transfer::transfer(helper);
}

WriteTECSetPointExchange::WriteTECSetPointExchange()
    : Transfer(std::make_unique<ControlHint>(), TO_DEVICE, 3) {}

WriteTECQESetPointExchange::WriteTECQESetPointExchange() { buffer[0] = OP_TEC_SET_POINT; }

void WriteTECQESetPointExchange::setSetPointCelsius(double degreesC) {
    // A value beyond 32 bits (or not a number) has no integer; keep it inside the range so
    // the conversion is defined. Only the low 16 bits go on the wire anyway.
    const double tenths = degreesC * 10.0;
    if (!(tenths == tenths)) {
        setPointTenths = 0;
    } else {
        setPointTenths = static_cast<std::int32_t>(std::clamp(tenths, -2147483648.0, 2147483647.0));
    }
}

std::unique_ptr<Data> WriteTECQESetPointExchange::transfer(TransferHelper& helper) {
    putLittle16(buffer, 1, static_cast<std::uint32_t>(setPointTenths));
    return Transfer::transfer(helper);
}

ReadTECQETemperatureExchange::ReadTECQETemperatureExchange() {
    addTransfer(controlWrite({OP_READ_TEC_TEMPERATURE}));
    addTransfer(controlRead(2));
}

std::unique_ptr<Data> ReadTECQETemperatureExchange::transfer(TransferHelper& helper) {
    std::unique_ptr<Data> result = Transaction::transfer(helper);
    const auto* reply = dynamic_cast<const ByteVector*>(result.get());
    // A short reply is as good as none: the missing byte would be an earlier reply's.
    if (reply == nullptr || reply->getValues().size() < 2)
        throw ProtocolException(TEC_TEMPERATURE_MISSING);
    const std::vector<std::uint8_t>& bytes = reply->getValues();
    const auto raw = static_cast<std::int16_t>(bytes[0] | (bytes[1] << 8));
    return std::make_unique<DoubleVector>(std::vector<double>{raw / 10.0});
}

LegacyReadIrradCalExchange::LegacyReadIrradCalExchange(std::uint32_t valueCount)
    : LegacyIrradCalExchange(valueCount) {
    std::uint64_t remaining = std::uint64_t{4} * valueCount;
    for (std::uint32_t address = 0; remaining > 0 && address < LAST_CHUNK_ADDRESS;
         address += CHUNK_LENGTH) {
        addTransfer(controlWrite({OP_READ_IRRADIANCE, static_cast<std::uint8_t>(address & 0xFF),
                                  static_cast<std::uint8_t>(address >> 8)}));
        addTransfer(controlRead(CHUNK_LENGTH));
        remaining -= std::min<std::uint64_t>(remaining, CHUNK_LENGTH);
    }
}

std::unique_ptr<Data> LegacyReadIrradCalExchange::transfer(TransferHelper& helper) {
    const std::uint64_t wanted = std::uint64_t{4} * valueCount;
    std::vector<std::uint8_t> collected;
    collected.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(wanted, 65536)));
    for (const auto& step : getTransfers()) {
        std::unique_ptr<Data> result = step->transfer(helper);
        if (step->getDirection() != Transfer::FROM_DEVICE) continue;
        const auto* reply = dynamic_cast<const ByteVector*>(result.get());
        // A short chunk would shift every later value.
        if (reply == nullptr || reply->getValues().size() < CHUNK_LENGTH) return nullptr;
        for (std::uint8_t byte : reply->getValues()) {
            if (collected.size() >= wanted) break;
            collected.push_back(byte);
        }
    }
    return std::make_unique<ByteVector>(std::move(collected));
}

LegacyWriteIrradCalExchange::LegacyWriteIrradCalExchange(std::uint32_t valueCount)
    : LegacyIrradCalExchange(valueCount) {}

std::uint32_t LegacyWriteIrradCalExchange::setValues(const std::vector<std::uint32_t>& values) {
    const auto count =
        static_cast<std::uint32_t>(std::min<std::size_t>(valueCount, values.size()));
    std::uint32_t placed = 0;
    for (std::uint32_t address = 0; placed < count && address < LAST_CHUNK_ADDRESS;
         address += CHUNK_LENGTH) {
        std::vector<std::uint8_t> bytes(IRRADIANCE_WRITE_LENGTH, 0);
        bytes[0] = OP_WRITE_IRRADIANCE;
        putLittle16(bytes, 1, address);
        for (std::uint32_t k = 0; k < VALUES_PER_CHUNK && placed < count; ++k, ++placed) {
            const std::uint32_t value = values[placed];
            for (int b = 0; b < 4; ++b)
                bytes[3 + 4 * k + b] = static_cast<std::uint8_t>(value >> (24 - 8 * b));
        }
        addTransfer(controlWrite(std::move(bytes)));
    }
    return placed;
}

}  // namespace spectro::legacyProtocol
