#pragma once

#include <mutex>
#include <optional>

#include "sim/SimClock.h"

namespace spectro::sim {

// The bench's hardware trigger line, shared by every unit. It fires a fixed delay after the
// first spectrum request that starts waiting for it; every request already waiting at that
// moment is served by that firing, and a request that starts waiting later arms the next one.
class HardwareTrigger {
  public:
    // None: the trigger never fires.
    explicit HardwareTrigger(std::optional<SimTime> afterArmed);

    // When the firing that serves a request waiting since `waitingSince` happens; `never`
    // when the trigger never fires.
    SimTime firingFor(SimTime waitingSince);

  private:
    std::mutex mutex_;
    const std::optional<SimTime> afterArmed_;
    std::optional<SimTime> scheduled_;
};

}  // namespace spectro::sim
