#pragma once

#include <memory>
#include <vector>

#include "device/buses/rs232/RS232Interface.h"
#include "device/buses/rs232/RS232TransferHelper.h"

namespace spectro {

// The serial bus of the STS, QE-PRO and Spark. Every exchange, whatever its hints, goes
// through the one helper that opening creates.
// One device, one thread at a time.
class SpectrometerRS232Interface : public RS232Interface {
  public:
    SpectrometerRS232Interface() = default;
    ~SpectrometerRS232Interface() override;

    // Refuses a locator of another bus family ("Invalid bus on device locator."), of another
    // kind ("Invalid device locator for RS232 interface.") or without a port path ("Device path
    // cannot be NULL."), all IllegalArgumentException. Replaces the port object, closing the
    // old one, and forgets the helper, which borrowed it.
    void setLocation(const DeviceLocatorInterface& locator) override;
    // Opens the port and creates the helper (also when opening fails: it then reports the
    // closed port on use). False without a location or when the port cannot be set up.
    bool open() override;
    void close() override;
    // The helper of the last open, or none.
    TransferHelper* getHelper(const std::vector<const ProtocolHint*>& hints) const override;

  private:
    std::unique_ptr<RS232TransferHelper> helper;
};

}  // namespace spectro
