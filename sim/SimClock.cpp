#include "sim/SimClock.h"

namespace spectro::sim {

RealtimeClock::RealtimeClock() : start_(std::chrono::steady_clock::now()) {}

SimTime RealtimeClock::now() const {
    return std::chrono::duration_cast<SimTime>(std::chrono::steady_clock::now() - start_);
}

bool RealtimeClock::reached(SimTime due) { return due != never && now() >= due; }

void RealtimeClock::sleepUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                               SimTime due) {
    if (due == never) {
        wake.wait(lock);  // only a close or an unplug ends this wait
    } else {
        wake.wait_until(lock, start_ + due);
    }
}

SimTime FastClock::now() const { return SimTime(now_.load()); }

bool FastClock::reached(SimTime due) {
    if (due == never) return false;
    SimTime::rep current = now_.load();
    while (current < due.count() && !now_.compare_exchange_weak(current, due.count())) {
    }
    return true;
}

void FastClock::sleepUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                           SimTime due) {
    if (due == never) wake.wait(lock);
    // Any other moment is reached at once, so there is nothing to sleep for.
}

}  // namespace spectro::sim
