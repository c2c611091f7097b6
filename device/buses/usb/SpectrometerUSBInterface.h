#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "device/buses/usb/USBInterface.h"
#include "device/common/DeviceLocator.h"
#include "device/common/ProtocolHint.h"
#include "device/common/TransferHelper.h"

namespace spectro {

// The USB bus of one spectrometer model: finds its units by vendor and product, opens one,
// and hands out the transfer helpers it registered when it opened.
class SpectrometerUSBInterface : public USBInterface, public DeviceLocationProberInterface {
  public:
    static constexpr std::int32_t spectrometerVendorId = 0x2457;

    ~SpectrometerUSBInterface() override;

    // Refuses a locator of another bus family with IllegalArgumentException "Invalid bus on
    // device locator.". Replaces the USB object (closing the old one) and forgets the helpers
    // of the earlier opening, which borrowed the old object.
    void setLocation(const DeviceLocatorInterface& locator) override;
    // Opens the platform USB object; false without a location or when opening fails.
    bool open() override;
    // Closes the platform USB object; the helpers stay until the next open.
    void close() override;
    std::vector<std::unique_ptr<DeviceLocatorInterface>> probeDevices() override;

    std::int32_t getVendorId() const { return vendorId; }
    std::int32_t getProductId() const { return productId; }

  protected:
    SpectrometerUSBInterface(std::int32_t vendorId, std::int32_t productId);

    // The helper serves every exchange whose first hint has this hint's hintID.
    void addHelper(std::unique_ptr<ProtocolHint> hint, std::unique_ptr<TransferHelper> helper);

    std::int32_t vendorId;
    std::int32_t productId;
};

}  // namespace spectro
