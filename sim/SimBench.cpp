#include "sim/SimBench.h"

#include "sim/fbp/FbpUnit.h"
#include "sim/legacy/LegacyUnit.h"

namespace spectro::sim {

namespace {

std::shared_ptr<SimClock> clockFor(Timing timing) {
    if (timing == Timing::Fast) return std::make_shared<FastClock>();
    return std::make_shared<RealtimeClock>();
}

}  // namespace

SimBench::SimBench(const BenchConfig& config) : SimBench(config, clockFor(config.timing)) {}

SimBench::SimBench(const BenchConfig& config, std::shared_ptr<SimClock> clock)
    : clock_(std::move(clock)) {
    std::optional<SimTime> afterArmed;
    if (config.triggerAfterArmed)
        afterArmed = std::chrono::duration_cast<SimTime>(*config.triggerAfterArmed);
    trigger_ = std::make_shared<HardwareTrigger>(afterArmed);
    for (const UnitConfig& unit : config.units) {
        if (unit.legacyModel != nullptr)
            units_.push_back(std::make_shared<LegacyUnit>(unit, clock_, trigger_));
        else
            units_.push_back(std::make_shared<FbpUnit>(unit, clock_, trigger_));
    }
}

// Wakes every transfer still waiting (for a trigger that never fires, say) so that no thread
// stays asleep on a bench that is gone.
SimBench::~SimBench() {
    for (const auto& unit : units_) unit->close();
}

}  // namespace spectro::sim
