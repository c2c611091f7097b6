#include "device/buses/usb/USBTransferHelpers.h"

#include <algorithm>
#include <climits>
#include <string>

#include "device/buses/usb/platform/USB.h"
#include "device/common/Exceptions.h"

namespace spectro {

namespace {

const char* const readFailed = "Failed to read any data from USB.";
const char* const writeFailed = "Failed to write any data to USB.";

// Never more than the buffer holds, whatever length the caller names.
int boundedLength(std::size_t bufferSize, std::uint32_t length) {
    return static_cast<int>(
        std::min<std::size_t>({bufferSize, length, static_cast<std::size_t>(INT_MAX)}));
}

bool failed(int moved, std::uint32_t length) { return moved < 0 || (moved == 0 && length != 0); }

// The padded helper works on what the caller's buffer really holds, rounded up in 64 bits so
// that no length wraps to a small one.
std::uint64_t withinBuffer(std::size_t bufferSize, std::uint32_t length) {
    return std::min<std::uint64_t>(bufferSize, length);
}
std::uint64_t roundUpToFour(std::uint64_t length) { return (length + 3u) & ~std::uint64_t{3}; }

}  // namespace

USBTransferHelper::USBTransferHelper(USB* usb, std::int32_t sendEndpoint,
                                     std::int32_t receiveEndpoint)
    : usb(usb),
      sendEndpoint(static_cast<std::uint8_t>(sendEndpoint)),
      receiveEndpoint(static_cast<std::uint8_t>(receiveEndpoint)) {}

std::int32_t USBTransferHelper::receive(std::vector<std::uint8_t>& buffer, std::uint32_t length) {
    // A zero-length read would wait for an empty packet the unit never sends.
    if (length == 0) return 0;
    const int moved = usb == nullptr ? -1
                                     : usb->read(receiveEndpoint, buffer.data(),
                                                 boundedLength(buffer.size(), length));
    if (failed(moved, length)) throw BusTransferException(readFailed);
    return moved;
}

std::int32_t USBTransferHelper::send(const std::vector<std::uint8_t>& buffer,
                                     std::uint32_t length) {
    const int moved = usb == nullptr ? -1
                                     : usb->write(sendEndpoint, buffer.data(),
                                                  boundedLength(buffer.size(), length));
    if (failed(moved, length)) throw BusTransferException(writeFailed);
    return moved;
}

USBSpectrumTransferHelper::USBSpectrumTransferHelper(USB* usb, const USBCypressEndpointMap& map)
    : USBTransferHelper(usb, map.getCommandOutEndpoint(), map.getSpectrumInEndpoint()) {}

USBControlTransferHelper::USBControlTransferHelper(USB* usb, const USBCypressEndpointMap& map)
    : USBTransferHelper(usb, map.getCommandOutEndpoint(), map.getControlInEndpoint()) {}

USBTrivialTransferHelper::USBTrivialTransferHelper(USB* usb, const USBBidirectionalEndpointMap& map)
    : USBTransferHelper(usb, map.getPrimaryOutEndpoint(), map.getPrimaryInEndpoint()) {}

USB4KSpectrumTransferHelper::USB4KSpectrumTransferHelper(USB* usb, const USBFPGAEndpointMap& map)
    : USBTransferHelper(usb, map.getCommandOutEndpoint(), map.getSpectrumInEndpoint()),
      secondReceiveEndpoint(static_cast<std::uint8_t>(map.getSecondSpectrumInEndpoint())),
      firstBlock(firstBlockLength) {}

std::int32_t USB4KSpectrumTransferHelper::receive(std::vector<std::uint8_t>& buffer,
                                                  std::uint32_t length) {
    const std::uint32_t remainder = length > firstBlockLength ? length - firstBlockLength : 0;
    if (secondBlock.size() < remainder) secondBlock.resize(remainder);
    if (usb == nullptr) throw BusTransferException(readFailed);

    // A failed block would hand on the bytes of an earlier spectrum as if they were new.
    const int first =
        usb->read(secondReceiveEndpoint, firstBlock.data(), static_cast<int>(firstBlockLength));
    if (failed(first, firstBlockLength)) throw BusTransferException(readFailed);
    int second = 0;
    if (remainder > 0) {
        second = usb->read(receiveEndpoint, secondBlock.data(), boundedLength(remainder, remainder));
        if (failed(second, remainder)) throw BusTransferException(readFailed);
    }

    // Only bytes that really arrived count, and only as far as they are contiguous: a short
    // first block leaves a gap before the second one. Nothing past the caller's buffer either.
    const std::size_t received = static_cast<std::size_t>(first) < firstBlockLength
                                     ? static_cast<std::size_t>(first)
                                     : firstBlockLength + static_cast<std::size_t>(second);
    const std::size_t delivered = std::min<std::size_t>({received, length, buffer.size()});
    const std::size_t fromFirst = std::min<std::size_t>(delivered, firstBlockLength);
    std::copy_n(firstBlock.begin(), fromFirst, buffer.begin());
    if (delivered > firstBlockLength)
        std::copy_n(secondBlock.begin(), delivered - firstBlockLength,
                    buffer.begin() + firstBlockLength);
    return static_cast<std::int32_t>(delivered);
}

BlazeUSBTransferHelper::BlazeUSBTransferHelper(USB* usb, const USBBidirectionalEndpointMap& map)
    : USBTransferHelper(usb, map.getPrimaryOutEndpoint(), map.getPrimaryInEndpoint()) {}

std::int32_t BlazeUSBTransferHelper::send(const std::vector<std::uint8_t>& buffer,
                                          std::uint32_t length) {
    const std::uint64_t held = withinBuffer(buffer.size(), length);
    if (held % 4 == 0) return USBTransferHelper::send(buffer, static_cast<std::uint32_t>(held));
    const std::uint64_t padded = roundUpToFour(held);
    if (usb == nullptr || padded > INT_MAX) throw BusTransferException(writeFailed);
    std::vector<std::uint8_t> bytes(padded, 0);
    std::copy_n(buffer.begin(), held, bytes.begin());
    const int moved = usb->write(sendEndpoint, bytes.data(), static_cast<int>(padded));
    if (moved <= 0) throw BusTransferException(writeFailed);
    return moved;
}

std::int32_t BlazeUSBTransferHelper::receive(std::vector<std::uint8_t>& buffer,
                                             std::uint32_t length) {
    const std::uint64_t held = withinBuffer(buffer.size(), length);
    if (held % 4 == 0) return USBTransferHelper::receive(buffer, static_cast<std::uint32_t>(held));
    const std::uint64_t padded = roundUpToFour(held);
    if (padded > INT_MAX) throw BusTransferException(readFailed);
    std::vector<std::uint8_t> bytes(padded, 0);
    const std::int32_t moved =
        USBTransferHelper::receive(bytes, static_cast<std::uint32_t>(padded));
    if (static_cast<std::uint64_t>(moved) != padded)
        throw BusTransferException("Failed to read padded message length: " +
                                   std::to_string(moved) + " != " + std::to_string(padded));
    std::copy_n(bytes.begin(), held, buffer.begin());
    return static_cast<std::int32_t>(held);
}

}  // namespace spectro
