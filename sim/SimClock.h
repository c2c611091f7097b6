#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace spectro::sim {

// Simulated time: nanoseconds since the bench was built.
using SimTime = std::chrono::nanoseconds;

// A moment that never comes (a hardware trigger that never fires).
constexpr SimTime never = SimTime::max();

// The bench's notion of time. Realtime benches wait in wall time; fast benches jump to the
// moment a reply is due instead, so nothing is waited for.
class SimClock {
  public:
    virtual ~SimClock() = default;

    virtual SimTime now() const = 0;

    // True once `due` has come. A clock that does not wait in wall time moves on to `due`
    // and answers true at once; `never` is never reached.
    virtual bool reached(SimTime due) = 0;

    // Sleeps (releasing the lock) until `due` may have come or `wake` is notified. Spurious
    // returns are allowed; callers look again.
    virtual void sleepUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                            SimTime due) = 0;
};

class RealtimeClock final : public SimClock {
  public:
    RealtimeClock();
    SimTime now() const override;
    bool reached(SimTime due) override;
    void sleepUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                    SimTime due) override;

  private:
    const std::chrono::steady_clock::time_point start_;
};

class FastClock final : public SimClock {
  public:
    SimTime now() const override;
    bool reached(SimTime due) override;
    void sleepUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                    SimTime due) override;

  private:
    std::atomic<SimTime::rep> now_{0};
};

}  // namespace spectro::sim
