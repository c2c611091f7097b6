#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/BenchConfig.h"
#include "sim/SimBench.h"
#include "sim/SimClock.h"
#include "sim/transports/SimUsbPlatform.h"

namespace spectro::sim::test {

// Simulated time that moves only when a test says so.
class ManualClock final : public SimClock {
  public:
    SimTime now() const override { return SimTime(now_.load()); }
    bool reached(SimTime due) override { return due != never && now() >= due; }
    void sleepUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                    SimTime) override {
        wake.wait_for(lock, std::chrono::milliseconds(1));
    }
    void set(SimTime at) { now_.store(at.count()); }

  private:
    std::atomic<SimTime::rep> now_{0};
};

using Bytes = std::vector<std::uint8_t>;

// A bench from its JSON text, reached through the simulated USB platform with raw bytes.
class SimTestBench {
  public:
    explicit SimTestBench(const std::string& json);
    SimTestBench(const std::string& json, std::shared_ptr<SimClock> clock);

    SimUsbPlatform& platform() { return platform_; }
    SimBench& bench() { return *bench_; }

    // Opens the unit at this place of the bench (0 = first); fails the test when it cannot.
    std::unique_ptr<UsbConnection> open(std::size_t place);

  private:
    std::shared_ptr<SimBench> bench_;
    SimUsbPlatform platform_;
};

// One unit of the given model, serial "SIM00001", with the given extra keys of its entry
// (for example ", \"pattern\": \"ramp\"").
std::string oneUnitBench(const std::string& model, const std::string& extraKeys = "",
                         const std::string& timing = "fast");

// Writes the bytes as one transfer; true when all of them were taken.
bool command(UsbConnection& unit, std::uint8_t endpoint, const Bytes& bytes);
// One read of up to `length` bytes; the bytes moved, or none when the read failed.
std::optional<Bytes> reply(UsbConnection& unit, std::uint8_t endpoint, int length);

}  // namespace spectro::sim::test
