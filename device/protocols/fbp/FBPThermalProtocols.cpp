#include "device/protocols/fbp/FBPThermalProtocols.h"

#include "device/protocols/fbp/FBPCatalogue.h"
#include "device/protocols/fbp/FBPProtocolSupport.h"

namespace spectro::framedBinaryProtocol {

namespace {

using namespace support;

// More sensors than this is not a count the unit can have.
constexpr std::uint8_t MAXIMUM_SENSORS = 16;

const char* const NO_TEMPERATURE =
    "Expected Transfer::transfer to produce a non-null result containing temperature.  Without "
    "this data, it is not possible to continue.";

// The sensor count, or none when the reply is missing, empty or impossible.
std::optional<std::uint8_t> usableCount(const Bus& bus) {
    FBPGetTemperatureCountExchange query;
    const std::optional<Bytes> reply = ask(bus, query);
    if (!reply || reply->empty() || (*reply)[0] > MAXIMUM_SENSORS) return std::nullopt;
    return (*reply)[0];
}

}  // namespace

FBPTemperatureProtocol::FBPTemperatureProtocol()
    : ProtocolHelper(std::make_unique<FramedBinaryProtocol>()) {}

std::uint8_t FBPTemperatureProtocol::countTemperatures(const Bus& bus) {
    FBPGetTemperatureCountExchange query;
    return askAtLeast(bus, query, 1, NO_TEMPERATURE)[0];
}

double FBPTemperatureProtocol::readTemperature(const Bus& bus, int index) {
    const std::optional<std::uint8_t> count = usableCount(bus);
    if (!count) return 0.0;
    if (index < 0 || index >= *count)
        throw ProtocolException("Bad Argument::The temperature index was out of bounds.");
    FBPGetTemperatureExchange query;
    query.setSensorIndex(static_cast<std::uint8_t>(index));
    return readF32(askAtLeast(bus, query, 4, NO_TEMPERATURE).data());
}

std::optional<std::vector<double>> FBPTemperatureProtocol::readAllTemperatures(const Bus& bus) {
    const std::optional<std::uint8_t> count = usableCount(bus);
    if (!count) return std::nullopt;
    FBPGetAllTemperaturesExchange query;
    const Bytes reply = askAtLeast(bus, query, 4 * std::size_t{*count}, NO_TEMPERATURE);
    std::vector<double> values(*count);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = readF32(reply.data() + 4 * i);
    return values;
}

FBPThermoElectricProtocol::FBPThermoElectricProtocol()
    : ProtocolHelper(std::make_unique<FramedBinaryProtocol>()) {}

double FBPThermoElectricProtocol::readTECTemperature(const Bus& bus) {
    FBPGetThermoElectricTemperatureExchange query;
    // A partial value would be a made-up temperature, so a short reply counts as none.
    return readF32(askAtLeast(bus, query, 4,
                              "Expected queryDevice to produce a non-null result containing a "
                              "temperature.  Without this data, it is not possible to continue.")
                       .data());
}

void FBPThermoElectricProtocol::setTECEnable(const Bus& bus, bool enable) {
    FBPSetThermoElectricEnableExchange command;
    command.setPayload({static_cast<std::uint8_t>(enable ? 1 : 0)});
    tellOrThrow(bus, command, "Device rejected the enable command.  Is it supported on this hardware?");
}

void FBPThermoElectricProtocol::setTECSetPoint(const Bus& bus, double degreesC) {
    FBPSetThermoElectricSetpointExchange command;
    command.setPayload(f32Bytes(static_cast<float>(degreesC)));
    tellOrThrow(bus, command, "Device rejected the setpoint.  Was it out of bounds?");
}

}  // namespace spectro::framedBinaryProtocol
