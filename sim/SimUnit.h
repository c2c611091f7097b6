#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "sim/BenchConfig.h"
#include "sim/HardwareTrigger.h"
#include "sim/InformationSlots.h"
#include "sim/SimClock.h"
#include "sim/UnitPort.h"

namespace spectro::sim {

// One simulated legacy spectrometer: the device side of every legacy command, its frames and
// its information slots. It is strict where a host mistake would otherwise pass unseen: a
// command of the wrong length, an unknown register, a trigger mode or integration time the
// model does not have, or a command sent before the last reply was read whole, fails.
// Safe to use from several threads (a transport thread may poll while another closes the
// unit).
class SimUnit final : public UnitPort {
  public:
    SimUnit(UnitConfig config, std::shared_ptr<SimClock> clock,
            std::shared_ptr<HardwareTrigger> trigger);

    const ModelTraits& model() const override { return model_; }
    bool present() const override;
    bool highSpeed() const override { return config_.highSpeed; }
    const UnitConfig& config() const { return config_; }

    bool open() override;
    void close() override;
    int write(std::uint8_t endpoint, const std::uint8_t* data, int length) override;
    int read(std::uint8_t endpoint, std::uint8_t* into, int length) override;
    PollResult poll(std::uint8_t endpoint, std::uint8_t* into, int length) override;

    // The largest packet size of the unit's endpoints.
    int packetSize() const { return config_.highSpeed ? 512 : 64; }

  private:
    struct Reply {
        std::vector<std::uint8_t> bytes;
        std::size_t taken = 0;
        SimTime due{0};
        bool endsSpectrum = false;
    };

    PollResult take(std::uint8_t endpoint, std::uint8_t* into, int length, bool wait);
    bool unreadReplies() const;
    bool execute(const std::uint8_t* data, int length);
    void queue(std::uint8_t endpoint, std::vector<std::uint8_t> bytes, SimTime due,
               bool endsSpectrum);
    void requestSpectrum();
    std::vector<std::uint8_t> statusBlock() const;
    std::uint32_t integrationUs() const;
    bool isInEndpoint(std::uint8_t endpoint) const;
    bool isOutEndpoint(std::uint8_t endpoint) const;
    void unplug();

    const ModelTraits& model_;
    const UnitConfig config_;
    const std::shared_ptr<SimClock> clock_;
    const std::shared_ptr<HardwareTrigger> trigger_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;

    bool opened_ = false;
    bool gone_ = false;

    // Settings the host writes; they survive closing, as on a real unit.
    std::uint32_t integrationUnits_;
    bool lamp_ = false;
    std::uint16_t triggerMode_ = 0;
    bool coolerOn_ = false;
    std::int16_t coolerSetPointTenths_ = 0;
    std::vector<SlotBytes> slots_;
    std::map<std::uint8_t, std::uint16_t> registers_;
    std::vector<std::uint8_t> irradiance_;

    // The session since the unit was opened.
    bool triggerServed_ = false;  // the first request after the trigger mode was set has waited
    SimTime busyUntil_{0};        // when the detector finishes the last requested exposure
    std::uint64_t spectraMade_ = 0;
    std::uint64_t spectraSent_ = 0;
    std::map<std::uint8_t, std::deque<Reply>> replies_;
};

}  // namespace spectro::sim
