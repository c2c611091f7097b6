#include "sim/SimUnit.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

#include "sim/ByteOrder.h"
#include "sim/SpectrumFrames.h"

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

}  // namespace

SimUnit::SimUnit(UnitConfig config, std::shared_ptr<SimClock> clock,
                 std::shared_ptr<HardwareTrigger> trigger)
    : model_(*config.model),
      config_(std::move(config)),
      clock_(std::move(clock)),
      trigger_(std::move(trigger)),
      integrationUnits_(100000 / model_.integrationUnitUs),
      slots_(defaultSlots(model_, config_.serial)),
      irradiance_(irradianceMemory, 0) {
    for (const auto& [slot, text] : config_.eeprom)
        slots_.at(static_cast<std::size_t>(slot)) = slotText(text);
    // A unit told to vanish after no spectra at all is never seen.
    gone_ = config_.faults.disconnectAfterSpectra == 0u;
}

bool SimUnit::present() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return !gone_;
}

bool SimUnit::open() {
    std::lock_guard<std::mutex> guard(mutex_);
    if (gone_ || opened_) return false;
    opened_ = true;
    triggerServed_ = false;
    busyUntil_ = SimTime{0};
    spectraMade_ = 0;
    spectraSent_ = 0;
    replies_.clear();
    return true;
}

void SimUnit::close() {
    std::lock_guard<std::mutex> guard(mutex_);
    opened_ = false;
    replies_.clear();
    wake_.notify_all();
}

void SimUnit::unplug() {
    gone_ = true;
    replies_.clear();
    wake_.notify_all();
}

bool SimUnit::isInEndpoint(std::uint8_t endpoint) const {
    return (endpoint & 0x80) != 0 && std::find(model_.endpoints.begin(), model_.endpoints.end(),
                                               endpoint) != model_.endpoints.end();
}

bool SimUnit::isOutEndpoint(std::uint8_t endpoint) const {
    return (endpoint & 0x80) == 0 && std::find(model_.endpoints.begin(), model_.endpoints.end(),
                                               endpoint) != model_.endpoints.end();
}

int SimUnit::write(std::uint8_t endpoint, const std::uint8_t* data, int length) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (gone_ || !opened_ || length < 0 || !isOutEndpoint(endpoint)) return -1;
    if (length == 0) return 0;
    // Other OUT endpoints (the auxiliary ones) take bytes without acting on them.
    if (endpoint != model_.commandOut) return length;
    if (unreadReplies()) {
        // The host read too little of an earlier reply: fail now rather than let every later
        // reply arrive shifted. What was left is gone, so the next command works again.
        replies_.clear();
        wake_.notify_all();
        return -1;
    }
    if (config_.faults.failOpcodes.count(data[0]) != 0) return -1;
    return execute(data, length) ? length : -1;
}

// A reply stays queued until its last byte is read, so any queued one, due or not, is unread.
bool SimUnit::unreadReplies() const {
    return std::any_of(replies_.begin(), replies_.end(),
                       [](const auto& endpoint) { return !endpoint.second.empty(); });
}

int SimUnit::read(std::uint8_t endpoint, std::uint8_t* into, int length) {
    const PollResult result = take(endpoint, into, length, true);
    return result.state == PollState::Ready ? result.count : -1;
}

PollResult SimUnit::poll(std::uint8_t endpoint, std::uint8_t* into, int length) {
    return take(endpoint, into, length, false);
}

PollResult SimUnit::take(std::uint8_t endpoint, std::uint8_t* into, int length, bool wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (gone_ || !opened_ || length < 0 || !isInEndpoint(endpoint))
            return {PollState::Failed, 0};
        if (length == 0) return {PollState::Ready, 0};
        auto pending = replies_.find(endpoint);
        if (pending == replies_.end() || pending->second.empty()) return {PollState::Failed, 0};
        Reply& reply = pending->second.front();
        if (!clock_->reached(reply.due)) {
            if (!wait) return {PollState::NotYet, 0};
            // The reply may be dropped (close, unplug) while asleep: look again from the top.
            clock_->sleepUntil(lock, wake_, reply.due);
            continue;
        }
        const std::size_t count =
            std::min(static_cast<std::size_t>(length), reply.bytes.size() - reply.taken);
        std::memcpy(into, reply.bytes.data() + reply.taken, count);
        reply.taken += count;
        if (reply.taken == reply.bytes.size()) {
            const bool endsSpectrum = reply.endsSpectrum;
            pending->second.pop_front();
            if (endsSpectrum) {
                ++spectraSent_;
                if (config_.faults.disconnectAfterSpectra &&
                    spectraSent_ >= *config_.faults.disconnectAfterSpectra)
                    unplug();
            }
        }
        return {PollState::Ready, static_cast<int>(count)};
    }
}

void SimUnit::queue(std::uint8_t endpoint, std::vector<std::uint8_t> bytes, SimTime due,
                    bool endsSpectrum) {
    replies_[endpoint].push_back(Reply{std::move(bytes), 0, due, endsSpectrum});
}

std::uint32_t SimUnit::integrationUs() const {
    const std::uint64_t us =
        static_cast<std::uint64_t>(integrationUnits_) * model_.integrationUnitUs;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(us, 0xFFFFFFFFu));
}

void SimUnit::requestSpectrum() {
    const SimTime now = clock_->now();
    const SimTime exposure = std::chrono::duration_cast<SimTime>(std::chrono::microseconds(
        static_cast<std::uint64_t>(integrationUnits_) * model_.integrationUnitUs));
    SimTime start = std::max(now, busyUntil_);
    if (triggerMode_ != 0 && !triggerServed_) {
        // Only the first request after the mode was set waits for the trigger line.
        triggerServed_ = true;
        const SimTime firing = trigger_->firingFor(now);
        start = firing == never ? never : std::max(firing + config_.triggerOffset, busyUntil_);
    }
    // A start beyond any representable moment is as good as never.
    const SimTime due = start >= never - exposure ? never : start + exposure;
    busyUntil_ = due;

    const std::uint64_t index = spectraMade_++;
    const bool goodSync =
        !(config_.faults.badSyncAtSpectrum && *config_.faults.badSyncAtSpectrum == index);
    std::vector<std::uint8_t> frame = encodeFrame(
        model_, patternWords(model_, config_.pattern, index, integrationUs()), goodSync);

    if (model_.firstBlockIn != 0 && config_.highSpeed) {
        // At high speed the first 2048 bytes leave on their own endpoint.
        queue(model_.firstBlockIn,
              std::vector<std::uint8_t>(frame.begin(), frame.begin() + firstBlockBytes), due,
              false);
        frame.erase(frame.begin(), frame.begin() + firstBlockBytes);
    }
    queue(model_.spectrumIn, std::move(frame), due, true);
}

std::vector<std::uint8_t> SimUnit::statusBlock() const {
    std::vector<std::uint8_t> status(16, 0);
    writeLittle16(&status[0], static_cast<std::uint16_t>(model_.pixels));
    writeLittle32(&status[2], integrationUs());
    status[6] = lamp_ ? 1 : 0;
    status[7] = static_cast<std::uint8_t>(triggerMode_ & 0xFF);
    // Byte 8 (acquiring) stays 0: a command is taken only when no spectrum is pending.
    status[9] = static_cast<std::uint8_t>(std::min(
        255, (model_.frameLength() + packetSize() - 1) / packetSize()));  // packets per spectrum
    status[14] = config_.highSpeed ? 0x80 : 0x00;
    return status;
}

bool SimUnit::execute(const std::uint8_t* data, int length) {
    const std::uint8_t opcode = data[0];
    if (commandLength(opcode) != length) return false;
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
            triggerServed_ = false;
            return true;
        }
        case writeRegister:
            if (!listed(writableRegisters, data[1])) return false;
            registers_[data[1]] = readLittle16(&data[2]);
            return true;
        case readRegister: {
            if (!listed(readableRegisters, data[1])) return false;
            const auto found = registers_.find(data[1]);
            const std::uint16_t value = data[1] == fpgaVersionRegister ? config_.fpgaVersion
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
                                         config_.pcbTemperatureC / boardTemperatureStep))));
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
                          : toSigned16(std::lround(config_.pcbTemperatureC * 10.0));
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
