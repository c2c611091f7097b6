#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "sim/BenchConfig.h"
#include "sim/HardwareTrigger.h"
#include "sim/SimClock.h"
#include "sim/UnitPort.h"

namespace spectro::sim {

// What every simulated unit shares, whatever its protocol: its sessions, the replies it has
// queued and when they fall due, exposures timed by the bench's clock and trigger line, and
// the unplug fault. A protocol adds what it makes of the command bytes (`takeCommand`).
// Safe to use from several threads (a transport thread may poll while another closes the
// unit); the protocol hooks run with the unit's lock held.
class SimUnit : public UnitPort {
  public:
    const std::string& modelName() const override { return config_.modelName(); }
    const UsbIdentity& usb() const override { return usb_; }
    bool present() const override;
    const UnitConfig& config() const { return config_; }

    bool open() override;
    void close() override;
    int write(std::uint8_t endpoint, const std::uint8_t* data, int length) override;
    int read(std::uint8_t endpoint, std::uint8_t* into, int length) override;
    PollResult poll(std::uint8_t endpoint, std::uint8_t* into, int length) override;
    int writeStream(const std::uint8_t* data, int length) override;
    int readStream(std::uint8_t* into, int length) override;

  protected:
    SimUnit(UnitConfig config, UsbIdentity usb, std::uint8_t commandOut,
            std::shared_ptr<SimClock> clock, std::shared_ptr<HardwareTrigger> trigger);

    // Bytes for the command input: one whole USB transfer (`wholeTransfer`), or a piece of a
    // byte stream. False fails them; the unit then drops its partial command.
    virtual bool takeCommand(const std::uint8_t* data, std::size_t length, bool wholeTransfer) = 0;
    // Forgets a command that has only partly arrived.
    virtual void dropPartialCommand() = 0;

    // Queues a reply on an IN endpoint, handed out once `due` has come. A reply that ends a
    // spectrum counts for the unplug fault when its last byte is taken.
    void queue(std::uint8_t endpoint, std::vector<std::uint8_t> bytes, SimTime due,
               bool endsSpectrum);
    // A reply stays queued until its last byte is read, so any queued one, due or not, is unread.
    bool unreadReplies() const;
    // When an exposure asked for now ends: one integration time after the request or after the
    // previous exposure; in a hardware-trigger mode the first request after the mode was set
    // starts only when the trigger fires (and the unit's offset has passed).
    SimTime scheduleExposure(std::chrono::microseconds integration, bool hardwareTrigger);
    // The trigger mode was set: the next request waits for the trigger again.
    void rearmTrigger() { triggerServed_ = false; }
    // The number of the spectrum made now, counted from 0 since the unit was opened.
    std::uint64_t nextSpectrumIndex() { return spectraMade_++; }

  private:
    struct Reply {
        std::vector<std::uint8_t> bytes;
        std::size_t taken = 0;
        SimTime due{0};
        bool endsSpectrum = false;
        std::uint64_t order = 0;  // replies are due in the order they were queued
    };
    using ReplyQueue = std::deque<Reply>;

    int accept(const std::uint8_t* data, int length, bool wholeTransfer);
    PollResult take(std::uint8_t endpoint, std::uint8_t* into, int length, bool wait);
    ReplyQueue* earliestReplies();
    int handOut(ReplyQueue& replies, std::uint8_t* into, int length);
    bool isInEndpoint(std::uint8_t endpoint) const;
    bool isOutEndpoint(std::uint8_t endpoint) const;
    void unplug();

    const UnitConfig config_;
    const UsbIdentity usb_;
    const std::uint8_t commandOut_;
    const std::shared_ptr<SimClock> clock_;
    const std::shared_ptr<HardwareTrigger> trigger_;

    // Guards everything of the unit, the protocol's state included.
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool opened_ = false;
    bool gone_ = false;

    // The session since the unit was opened.
    bool triggerServed_ = false;  // the first request after the trigger mode was set has waited
    SimTime busyUntil_{0};        // when the detector finishes the last requested exposure
    std::uint64_t spectraMade_ = 0;
    std::uint64_t spectraSent_ = 0;
    std::uint64_t repliesQueued_ = 0;
    std::map<std::uint8_t, ReplyQueue> replies_;
};

}  // namespace spectro::sim
