#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sim/usbemu/EmulatedUnit.h"
#include "sim/usbemu/UnitDescription.h"

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;

namespace spectro::sim {

// Units on an emulated USB bus: a private sysfs and /dev tree in which they look like real
// units. A program that runs with the umockdev preload library and this process's
// UMOCKDEV_DIR (set when the bus is built) reaches them through the kernel's USB file
// interface, which is answered here on umockdev's worker thread. That may be this very process
// when it starts libusb after the bus exists.
class EmulatedBus {
  public:
    EmulatedBus();
    ~EmulatedBus();
    EmulatedBus(const EmulatedBus&) = delete;
    EmulatedBus& operator=(const EmulatedBus&) = delete;

    // Plugs a unit in at its place; the bus keeps it as long as it may answer requests. A unit
    // that is already unplugged never shows up.
    void add(const UnitPlace& place, std::shared_ptr<EmulatedUnit> unit);

    // Takes the units that were unplugged since off the bus, so they are no longer listed. Call
    // it from the thread that built the bus.
    void removeUnplugged();

  private:
    struct Entry {
        std::shared_ptr<EmulatedUnit> unit;
        std::string sysPath;
        bool removed;
    };

    UMockdevTestbed* testbed_;
    std::vector<UMockdevIoctlBase*> handlers_;
    std::vector<Entry> units_;
};

}  // namespace spectro::sim
