#include "sim/HardwareTrigger.h"

namespace spectro::sim {

HardwareTrigger::HardwareTrigger(std::optional<SimTime> afterArmed) : afterArmed_(afterArmed) {}

SimTime HardwareTrigger::firingFor(SimTime waitingSince) {
    if (!afterArmed_) return never;
    std::lock_guard<std::mutex> guard(mutex_);
    if (!scheduled_ || *scheduled_ <= waitingSince) scheduled_ = waitingSince + *afterArmed_;
    return *scheduled_;
}

}  // namespace spectro::sim
