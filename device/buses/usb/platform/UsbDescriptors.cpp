#include "device/buses/usb/platform/UsbDescriptors.h"

#include <algorithm>

namespace spectro {

namespace {
constexpr std::uint8_t interfaceType = 4;
constexpr std::uint8_t endpointType = 5;
}  // namespace

int largestPacketSizeOfFirstInterface(const std::vector<std::uint8_t>& configuration) {
    const std::size_t size = configuration.size();
    bool inInterface = false;
    int endpointsLeft = 0;
    int largest = 0;
    for (std::size_t at = 0; at + 2 <= size;) {
        const std::size_t length = configuration[at];
        const std::uint8_t type = configuration[at + 1];
        if (length < 2 || at + length > size) break;
        if (type == interfaceType) {
            if (inInterface) break;  // the next interface begins
            if (length < 9) return -1;
            inInterface = true;
            endpointsLeft = configuration[at + 4];
        } else if (type == endpointType && inInterface && endpointsLeft > 0 && length >= 7) {
            const int packetSize = configuration[at + 4] | (configuration[at + 5] << 8);
            largest = std::max(largest, packetSize);
            --endpointsLeft;
        }
        at += length;
    }
    return inInterface ? largest : -1;
}

}  // namespace spectro
