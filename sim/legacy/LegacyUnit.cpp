#include "sim/legacy/LegacyUnit.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "sim/ByteOrder.h"
#include "sim/legacy/SpectrumFrames.h"

namespace spectro::sim {

namespace {

// Opcodes of the legacy command set.
constexpr std::uint8_t setIntegrationTime = 0x02;
constexpr std::uint8_t setStrobeEnable = 0x03;
constexpr std::uint8_t readSlot = 0x05;
constexpr std::uint8_t writeSlot = 0x06;
constexpr std::uint8_t requestSpectrumOpcode = 0x09;
constexpr std::uint8_t setTriggerMode = 0x0A;
constexpr std::uint8_t writeRegister = 0x6A;
constexpr std::uint8_t readRegister = 0x6B;
constexpr std::uint8_t readBoardTemperature = 0x6C;
constexpr std::uint8_t readIrradiance = 0x6D;
constexpr std::uint8_t writeIrradiance = 0x6E;
constexpr std::uint8_t setCoolerEnable = 0x71;
constexpr std::uint8_t readCoolerTemperature = 0x72;
constexpr std::uint8_t setCoolerSetPoint = 0x73;
constexpr std::uint8_t queryStatus = 0xFE;

constexpr std::uint8_t fpgaVersionRegister = 0x04;
// The registers the host reads (version, strobe delays) and writes (continuous strobe base
// and count, acquisition delay, strobe delays); any other address is a host mistake.
constexpr std::uint8_t readableRegisters[] = {fpgaVersionRegister, 0x38, 0x3C};
constexpr std::uint8_t writableRegisters[] = {0x08, 0x0C, 0x28, 0x38, 0x3C};
constexpr std::size_t irradianceChunk = 60;
constexpr std::size_t irradianceMemory = 65536;
constexpr std::size_t lastIrradianceAddress = irradianceMemory - irradianceChunk;  // 0xFFC4
constexpr std::size_t firstBlockBytes = 2048;  // of a frame split over two endpoints
constexpr double boardTemperatureStep = 0.003906;

// The exact length of every command; anything else is a protocol mistake and fails.
int commandLength(std::uint8_t opcode) {
    switch (opcode) {
        case setIntegrationTime:
            return 5;
        case setStrobeEnable:
            return 3;
        case readSlot:
            return 2;
        case writeSlot:
            return 17;
        case requestSpectrumOpcode:
            return 1;
        case setTriggerMode:
            return 3;
        case writeRegister:
            return 4;
        case readRegister:
            return 2;
        case readBoardTemperature:
            return 1;
        case readIrradiance:
            return 3;
        case writeIrradiance:
            return 63;
        case setCoolerEnable:
            return 3;
        case readCoolerTemperature:
            return 1;
        case setCoolerSetPoint:
            return 3;
        case queryStatus:
            return 1;
        default:
            return -1;
    }
}

template <std::size_t N>
bool listed(const std::uint8_t (&list)[N], std::uint8_t value) {
    return std::find(std::begin(list), std::end(list), value) != std::end(list);
}

std::int16_t toSigned16(long value) {
    return static_cast<std::int16_t>(std::clamp<long>(value, -32768, 32767));
}

UsbIdentity usbIdentityOf(const UnitConfig& config) {
    const LegacyModel& model = *config.legacyModel;
    return UsbIdentity{simVendorId, model.productId, model.endpoints, config.highSpeed};
}

}  // namespace

LegacyUnit::LegacyUnit(UnitConfig config, std::shared_ptr<SimClock> clock,
                       std::shared_ptr<HardwareTrigger> trigger)
    : SimUnit(config, usbIdentityOf(config), config.legacyModel->commandOut, std::move(clock),
              std::move(trigger)),
      model_(*config.legacyModel),
      integrationUnits_(100000 / model_.integrationUnitUs),
      slots_(defaultSlots(model_, config.serial)),
      irradiance_(irradianceMemory, 0) {
    for (const auto& [slot, text] : config.eeprom)
        slots_.at(static_cast<std::size_t>(slot)) = slotText(text);
}

bool LegacyUnit::takeCommand(const std::uint8_t* data, std::size_t length, bool wholeTransfer) {
    if (wholeTransfer) return execute(data, length);
    // From a stream: each command is as long as its opcode says.
    partial_.insert(partial_.end(), data, data + length);
    std::size_t done = 0;
    while (done < partial_.size()) {
        const int needed = commandLength(partial_[done]);
        if (needed < 0) return false;
        if (partial_.size() - done < static_cast<std::size_t>(needed)) break;
        // A reply still unread (the command before asked for one) fails the next command, as
        // when it comes in a transfer of its own.
        if (done != 0 && unreadReplies()) return false;
        if (!execute(partial_.data() + done, static_cast<std::size_t>(needed))) return false;
        done += static_cast<std::size_t>(needed);
    }
    partial_.erase(partial_.begin(), partial_.begin() + static_cast<long>(done));
    return true;
}

std::uint32_t LegacyUnit::integrationUs() const {
    const std::uint64_t us =
        static_cast<std::uint64_t>(integrationUnits_) * model_.integrationUnitUs;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(us, 0xFFFFFFFFu));
}

void LegacyUnit::requestSpectrum() {
    const SimTime due =
        scheduleExposure(std::chrono::microseconds(static_cast<std::uint64_t>(integrationUnits_) *
                                                   model_.integrationUnitUs),
                         triggerMode_ != 0);
    const std::uint64_t index = nextSpectrumIndex();
    const UnitConfig& unit = config();
    const bool goodSync =
        !(unit.faults.badSyncAtSpectrum && *unit.faults.badSyncAtSpectrum == index);
    std::vector<std::uint8_t> frame =
        encodeFrame(model_, patternWords(model_, unit.pattern, index, integrationUs()), goodSync);

    if (model_.firstBlockIn != 0 && unit.highSpeed) {
        // At high speed the first 2048 bytes leave on their own endpoint.
        queue(model_.firstBlockIn,
              std::vector<std::uint8_t>(frame.begin(), frame.begin() + firstBlockBytes), due,
              false);
        frame.erase(frame.begin(), frame.begin() + firstBlockBytes);
    }
    queue(model_.spectrumIn, std::move(frame), due, true);
}

std::vector<std::uint8_t> LegacyUnit::statusBlock() const {
    std::vector<std::uint8_t> status(16, 0);
    writeLittle16(&status[0], static_cast<std::uint16_t>(model_.pixels));
    writeLittle32(&status[2], integrationUs());
    status[6] = lamp_ ? 1 : 0;
    status[7] = static_cast<std::uint8_t>(triggerMode_ & 0xFF);
    // Byte 8 (acquiring) stays 0: a command is taken only when no spectrum is pending.
    const int packetSize = usb().packetSize();
    status[9] = static_cast<std::uint8_t>(std::min(
        255, (model_.frameLength() + packetSize - 1) / packetSize));  // packets per spectrum
    status[14] = usb().highSpeed ? 0x80 : 0x00;
    return status;
}

bool LegacyUnit::execute(const std::uint8_t* data, std::size_t length) {
    const std::uint8_t opcode = data[0];
    if (commandLength(opcode) != static_cast<int>(length)) return false;
    if (config().faults.failOpcodes.count(opcode) != 0) return false;
    const SimTime now{0};  // short replies are due at once
    switch (opcode) {
        case setIntegrationTime: {
            const std::uint32_t units = readLittle32(&data[1]);
            if (units < model_.integrationMinimumUs / model_.integrationUnitUs ||
                units > model_.integrationMaximumUs / model_.integrationUnitUs)
                return false;
            integrationUnits_ = units;
            return true;
        }
        case setStrobeEnable:
            lamp_ = data[1] != 0;
            return true;
        case readSlot: {
            if (data[1] >= slots_.size()) return false;
            std::vector<std::uint8_t> reply{readSlot, data[1]};
            reply.insert(reply.end(), slots_[data[1]].begin(), slots_[data[1]].end());
            queue(model_.controlIn, std::move(reply), now, false);
            return true;
        }
        case writeSlot:
            if (data[1] >= slots_.size()) return false;
            std::copy(data + 2, data + 17, slots_[data[1]].begin());
            return true;
        case requestSpectrumOpcode:
            requestSpectrum();
            return true;
        case setTriggerMode: {
            const std::uint16_t mode = readLittle16(&data[1]);
            const auto& modes = model_.triggerModes;
            if (std::find(modes.begin(), modes.end(), mode) == modes.end()) return false;
            triggerMode_ = mode;
            rearmTrigger();
            return true;
        }
        case writeRegister:
            if (!listed(writableRegisters, data[1])) return false;
            registers_[data[1]] = readLittle16(&data[2]);
            return true;
        case readRegister: {
            if (!listed(readableRegisters, data[1])) return false;
            const auto found = registers_.find(data[1]);
            const std::uint16_t value = data[1] == fpgaVersionRegister ? config().fpgaVersion
                                        : found != registers_.end()    ? found->second
                                                                       : 0;
            std::vector<std::uint8_t> reply{readRegister, 0, 0};
            writeLittle16(&reply[1], value);
            queue(model_.controlIn, std::move(reply), now, false);
            return true;
        }
        case readBoardTemperature: {
            if (!model_.boardTemperature) return false;
            std::vector<std::uint8_t> reply{0x08, 0, 0};
            writeLittle16(&reply[1], static_cast<std::uint16_t>(toSigned16(std::lround(
                                         config().pcbTemperatureC / boardTemperatureStep))));
            queue(model_.controlIn, std::move(reply), now, false);
            return true;
        }
        case readIrradiance: {
            const std::size_t address = readLittle16(&data[1]);
            if (address > lastIrradianceAddress) return false;
            queue(model_.controlIn,
                  std::vector<std::uint8_t>(
                      irradiance_.begin() + static_cast<long>(address),
                      irradiance_.begin() + static_cast<long>(address + irradianceChunk)),
                  now, false);
            return true;
        }
        case writeIrradiance: {
            const std::size_t address = readLittle16(&data[1]);
            if (address > lastIrradianceAddress) return false;
            std::copy(data + 3, data + 63, irradiance_.begin() + static_cast<long>(address));
            return true;
        }
        case setCoolerEnable:
            if (!model_.cooler) return false;
            coolerOn_ = data[1] != 0;
            return true;
        case readCoolerTemperature: {
            if (!model_.cooler) return false;
            // A running cooler holds its set point; an idle one sits at board temperature.
            const std::int16_t tenths =
                coolerOn_ ? coolerSetPointTenths_
                          : toSigned16(std::lround(config().pcbTemperatureC * 10.0));
            std::vector<std::uint8_t> reply(2, 0);
            writeLittle16(&reply[0], static_cast<std::uint16_t>(tenths));
            queue(model_.controlIn, std::move(reply), now, false);
            return true;
        }
        case setCoolerSetPoint:
            if (!model_.cooler) return false;
            coolerSetPointTenths_ = static_cast<std::int16_t>(readLittle16(&data[1]));
            return true;
        case queryStatus:
            queue(model_.controlIn, statusBlock(), now, false);
            return true;
        default:
            return false;
    }
}

}  // namespace spectro::sim
