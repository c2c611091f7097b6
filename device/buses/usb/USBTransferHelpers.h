#pragma once

#include <cstdint>
#include <vector>

#include "device/buses/usb/USBEndpointMaps.h"
#include "device/common/TransferHelper.h"

namespace spectro {

class USB;

// Moves bytes over one OUT and one IN endpoint of a bus's USB object, which it borrows (the
// bus never lets a helper outlive that object). Failures throw BusTransferException.
class USBTransferHelper : public TransferHelper {
  public:
    ~USBTransferHelper() override = default;

    // A short transfer is returned as it is; no data at all for a non-zero length throws.
    std::int32_t receive(std::vector<std::uint8_t>& buffer, std::uint32_t length) override;
    std::int32_t send(const std::vector<std::uint8_t>& buffer, std::uint32_t length) override;

    std::uint8_t getSendEndpoint() const { return sendEndpoint; }
    std::uint8_t getReceiveEndpoint() const { return receiveEndpoint; }

  protected:
    USBTransferHelper(USB* usb, std::int32_t sendEndpoint, std::int32_t receiveEndpoint);

    USB* usb;
    std::uint8_t sendEndpoint;
    std::uint8_t receiveEndpoint;
};

// Commands on the command OUT endpoint, replies from the spectrum IN endpoint.
class USBSpectrumTransferHelper : public USBTransferHelper {
  public:
    USBSpectrumTransferHelper(USB* usb, const USBCypressEndpointMap& map);
};

// Commands on the command OUT endpoint, replies from the control IN endpoint.
class USBControlTransferHelper : public USBTransferHelper {
  public:
    USBControlTransferHelper(USB* usb, const USBCypressEndpointMap& map);
};

// The primary OUT and IN endpoints of a bidirectional map.
class USBTrivialTransferHelper : public USBTransferHelper {
  public:
    USBTrivialTransferHelper(USB* usb, const USBBidirectionalEndpointMap& map);
};

// A high-speed 4000-series unit sends the first 2048 bytes of a spectrum on the second
// spectrum endpoint and the rest on the spectrum endpoint.
class USB4KSpectrumTransferHelper : public USBTransferHelper {
  public:
    static constexpr std::uint32_t firstBlockLength = 2048;

    USB4KSpectrumTransferHelper(USB* usb, const USBFPGAEndpointMap& map);

    // Returns the number of bytes delivered: the smaller of length and the buffer's size.
    std::int32_t receive(std::vector<std::uint8_t>& buffer, std::uint32_t length) override;

    std::uint8_t getSecondReceiveEndpoint() const { return secondReceiveEndpoint; }

  private:
    std::uint8_t secondReceiveEndpoint;
    std::vector<std::uint8_t> firstBlock;
    std::vector<std::uint8_t> secondBlock;  // grows to the largest remainder asked, never shrinks
};

// The Blaze moves only multiples of 4 bytes: other lengths are padded with zero bytes.
class BlazeUSBTransferHelper : public USBTransferHelper {
  public:
    BlazeUSBTransferHelper(USB* usb, const USBBidirectionalEndpointMap& map);

    std::int32_t receive(std::vector<std::uint8_t>& buffer, std::uint32_t length) override;
    std::int32_t send(const std::vector<std::uint8_t>& buffer, std::uint32_t length) override;
};

}  // namespace spectro
