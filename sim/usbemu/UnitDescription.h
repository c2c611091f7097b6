#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace spectro::sim {

// Where a unit sits on the emulated bus and what it tells the host about itself.
struct UnitPlace {
    int bus = 1;
    std::string ports;  // the port path below the root hub: "2", or "1.4" behind a hub
    int address = 2;
    int speed = 480;  // Mbit/s: 12 (full speed) or 480 (high speed)
    // The 18-byte device descriptor, then the whole configuration descriptor. The listing's
    // vendor and product are read from it, so the two cannot disagree.
    std::vector<std::uint8_t> descriptors;
};

// "/dev/bus/usb/001/002"
std::string deviceNode(const UnitPlace& place);
// "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2"
std::string sysfsPath(const UnitPlace& place);

// The unit as a udev dump, the text umockdev builds its sysfs and /dev entries from.
std::string udevDescription(const UnitPlace& place);

}  // namespace spectro::sim
