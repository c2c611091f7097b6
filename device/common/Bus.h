#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "device/common/BusFamilies.h"
#include "device/common/DeviceLocator.h"
#include "device/common/ProtocolHint.h"
#include "device/common/TransferHelper.h"

namespace spectro {

// An abstract transport to one unit. A bus hands out transfer helpers by protocol hint; the
// registry below keeps that rule in one place for every bus kind.
class Bus {
  public:
    Bus() = default;
    virtual ~Bus() = default;
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;

    // The helper registered for the hintID of the first hint of the list, or none (borrowed).
    virtual TransferHelper* getHelper(const std::vector<const ProtocolHint*>& hints) const;
    virtual BusFamily getBusFamily() const = 0;
    // Keeps a clone of the locator and prepares (but does not open) the connection it names.
    virtual void setLocation(const DeviceLocatorInterface& location) = 0;
    virtual bool open() = 0;
    virtual void close() = 0;
    // The bus's own locator, or none before setLocation (borrowed).
    virtual DeviceLocatorInterface* getLocation() = 0;

  protected:
    // Registers (or replaces) the helper for one hint id; buses call it when they open.
    void addHelper(std::int32_t hintID, std::unique_ptr<TransferHelper> helper);
    // Forgets every helper; buses call it when they close.
    void clearHelpers();

  private:
    std::map<std::int32_t, std::unique_ptr<TransferHelper>> helpers;
};

}  // namespace spectro
