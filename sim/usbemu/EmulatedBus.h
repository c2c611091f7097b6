#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sim/SimBench.h"

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;

namespace spectro::sim {

struct EmulatedUnit;

// The bench's units on an emulated USB bus (a private sysfs and /dev tree). A program started
// with the umockdev preload library and this process's UMOCKDEV_DIR sees them as real units
// and reaches them through the kernel's USB file interface, which is answered here.
class EmulatedBus {
  public:
    explicit EmulatedBus(std::shared_ptr<SimBench> bench);
    ~EmulatedBus();
    EmulatedBus(const EmulatedBus&) = delete;
    EmulatedBus& operator=(const EmulatedBus&) = delete;

    // Takes units that were unplugged (a bench fault) off the bus, so they are no longer
    // listed. Call it now and then from the thread that built the bus.
    void removeUnpluggedUnits();

  private:
    std::shared_ptr<SimBench> bench_;
    UMockdevTestbed* testbed_;
    std::vector<std::unique_ptr<EmulatedUnit>> units_;
    std::vector<UMockdevIoctlBase*> handlers_;
};

}  // namespace spectro::sim
