#include "sim/SimUnit.h"

#include <algorithm>
#include <cstring>

namespace spectro::sim {

SimUnit::SimUnit(UnitConfig config, UsbIdentity usb, std::uint8_t commandOut,
                 std::shared_ptr<SimClock> clock, std::shared_ptr<HardwareTrigger> trigger)
    : config_(std::move(config)),
      usb_(std::move(usb)),
      commandOut_(commandOut),
      clock_(std::move(clock)),
      trigger_(std::move(trigger)) {
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
    dropPartialCommand();
    return true;
}

void SimUnit::close() {
    std::lock_guard<std::mutex> guard(mutex_);
    opened_ = false;
    replies_.clear();
    dropPartialCommand();
    wake_.notify_all();
}

void SimUnit::unplug() {
    gone_ = true;
    replies_.clear();
    dropPartialCommand();
    wake_.notify_all();
}

bool SimUnit::isInEndpoint(std::uint8_t endpoint) const {
    return (endpoint & 0x80) != 0 && std::find(usb_.endpoints.begin(), usb_.endpoints.end(),
                                               endpoint) != usb_.endpoints.end();
}

bool SimUnit::isOutEndpoint(std::uint8_t endpoint) const {
    return (endpoint & 0x80) == 0 && std::find(usb_.endpoints.begin(), usb_.endpoints.end(),
                                               endpoint) != usb_.endpoints.end();
}

int SimUnit::write(std::uint8_t endpoint, const std::uint8_t* data, int length) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (gone_ || !opened_ || length < 0 || !isOutEndpoint(endpoint)) return -1;
    // Other OUT endpoints (the auxiliary ones) take bytes without acting on them.
    if (endpoint != commandOut_) return length;
    return accept(data, length, true);
}

int SimUnit::writeStream(const std::uint8_t* data, int length) {
    std::lock_guard<std::mutex> guard(mutex_);
    return accept(data, length, false);
}

int SimUnit::accept(const std::uint8_t* data, int length, bool wholeTransfer) {
    if (gone_ || !opened_ || length < 0) return -1;
    if (length == 0) return 0;
    if (unreadReplies()) {
        // The host read too little of an earlier reply: fail now rather than let every later
        // reply arrive shifted. What was left is gone, so the next command works again.
        replies_.clear();
        dropPartialCommand();
        wake_.notify_all();
        return -1;
    }
    if (!takeCommand(data, static_cast<std::size_t>(length), wholeTransfer)) {
        // Replies of commands taken earlier in the same bytes go too: the host learns only that
        // its write failed, so nothing of it may linger.
        replies_.clear();
        dropPartialCommand();
        wake_.notify_all();
        return -1;
    }
    return length;
}

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
        const SimTime due = pending->second.front().due;
        if (!clock_->reached(due)) {
            if (!wait) return {PollState::NotYet, 0};
            // The reply may be dropped (close, unplug) while asleep: look again from the top.
            clock_->sleepUntil(lock, wake_, due);
            continue;
        }
        return {PollState::Ready, handOut(pending->second, into, length)};
    }
}

int SimUnit::readStream(std::uint8_t* into, int length) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (gone_ || !opened_ || length < 0) return -1;
        if (length == 0) return 0;
        ReplyQueue* earliest = earliestReplies();
        if (earliest == nullptr) {
            wake_.wait(lock);  // a queued reply, a close or an unplug ends this wait
            continue;
        }
        const SimTime due = earliest->front().due;
        if (!clock_->reached(due)) {
            clock_->sleepUntil(lock, wake_, due);
            continue;
        }
        return handOut(*earliest, into, length);
    }
}

SimUnit::ReplyQueue* SimUnit::earliestReplies() {
    ReplyQueue* earliest = nullptr;
    for (auto& [endpoint, replies] : replies_) {
        if (!replies.empty() &&
            (earliest == nullptr || replies.front().order < earliest->front().order))
            earliest = &replies;
    }
    return earliest;
}

int SimUnit::handOut(ReplyQueue& replies, std::uint8_t* into, int length) {
    Reply& reply = replies.front();
    const std::size_t count =
        std::min(static_cast<std::size_t>(length), reply.bytes.size() - reply.taken);
    std::memcpy(into, reply.bytes.data() + reply.taken, count);
    reply.taken += count;
    if (reply.taken == reply.bytes.size()) {
        const bool endsSpectrum = reply.endsSpectrum;
        replies.pop_front();
        if (endsSpectrum) {
            ++spectraSent_;
            if (config_.faults.disconnectAfterSpectra &&
                spectraSent_ >= *config_.faults.disconnectAfterSpectra)
                unplug();
        }
    }
    return static_cast<int>(count);
}

void SimUnit::queue(std::uint8_t endpoint, std::vector<std::uint8_t> bytes, SimTime due,
                    bool endsSpectrum) {
    replies_[endpoint].push_back(Reply{std::move(bytes), 0, due, endsSpectrum, repliesQueued_++});
    wake_.notify_all();  // a stream read may be waiting for any reply at all
}

SimTime SimUnit::scheduleExposure(std::chrono::microseconds integration, bool hardwareTrigger) {
    const SimTime now = clock_->now();
    const SimTime exposure = std::chrono::duration_cast<SimTime>(integration);
    SimTime start = std::max(now, busyUntil_);
    if (hardwareTrigger && !triggerServed_) {
        // Only the first request after the mode was set waits for the trigger line.
        triggerServed_ = true;
        const SimTime firing = trigger_->firingFor(now);
        start = firing == never ? never : std::max(firing + config_.triggerOffset, busyUntil_);
    }
    // A start beyond any representable moment is as good as never.
    const SimTime due = start >= never - exposure ? never : start + exposure;
    busyUntil_ = due;
    return due;
}

}  // namespace spectro::sim
