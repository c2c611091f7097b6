#pragma once

#include <cstdint>
#include <string>

#include "ScriptedUnit.h"
#include "sim/usbemu/EmulatedBus.h"

namespace spectro::test {

// True when the umockdev preload library is in place for this process.
bool underUmockdevPreload();

// Scripted spectrometers on an emulated USB bus in this very process. The process must run
// under the umockdev preload library, and libusb must be started after the bench exists.
class EmulatedUsbBench {
  public:
    EmulatedUsbBench();

    // Adds a unit at bus/port with the given address; speed 12 (full) or 480 (high), and the
    // FPGA units' endpoints with the given largest packet size.
    ScriptedUnit& add(int bus, const std::string& ports, int address, std::uint16_t vendorId,
                      std::uint16_t productId, std::uint16_t packetSize, int speed);
    // The unit vanishes: requests fail with ENODEV, and it leaves the listing.
    void unplug(ScriptedUnit& unit);

  private:
    sim::EmulatedBus bus_;
};

}  // namespace spectro::test
