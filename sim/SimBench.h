#pragma once

#include <memory>
#include <vector>

#include "sim/BenchConfig.h"
#include "sim/HardwareTrigger.h"
#include "sim/SimClock.h"
#include "sim/UnitPort.h"

namespace spectro::sim {

// The simulated units of one bench, legacy and framed-binary ones, with the clock and trigger
// line they share. Units are shared with the transports that hold them open, so a transfer
// still running when the bench goes away finds its unit alive (and closed).
class SimBench {
  public:
    explicit SimBench(const BenchConfig& config);
    // Built with another clock (tests drive simulated time by hand).
    SimBench(const BenchConfig& config, std::shared_ptr<SimClock> clock);
    ~SimBench();
    SimBench(const SimBench&) = delete;
    SimBench& operator=(const SimBench&) = delete;

    // In bench order, the unplugged ones included.
    const std::vector<std::shared_ptr<UnitPort>>& units() const { return units_; }
    SimClock& clock() { return *clock_; }

  private:
    std::shared_ptr<SimClock> clock_;
    std::shared_ptr<HardwareTrigger> trigger_;
    std::vector<std::shared_ptr<UnitPort>> units_;
};

}  // namespace spectro::sim
