#include "sim/transports/UsbDescriptorBytes.h"

#include "sim/ByteOrder.h"

namespace spectro::sim {

std::vector<std::uint8_t> deviceDescriptor(const UsbIdentity& usb) {
    std::vector<std::uint8_t> descriptor{18, 0x01, 0x00, 0x02, 0xFF, 0x00, 0x00, 64, 0,
                                         0,  0,    0,    0x00, 0x02, 0,    0,    0,  1};
    writeLittle16(&descriptor[8], usb.vendorId);
    writeLittle16(&descriptor[10], usb.productId);
    return descriptor;
}

std::vector<std::uint8_t> configurationDescriptor(const UsbIdentity& usb) {
    const auto endpointCount = static_cast<std::uint8_t>(usb.endpoints.size());
    const std::uint16_t total = static_cast<std::uint16_t>(9 + 9 + 7 * endpointCount);
    std::vector<std::uint8_t> descriptor{9,    0x02, 0,    0,   1,
                                         1,    0,    0x80, 250,  // configuration
                                         9,    0x04, 0,    0,   endpointCount,
                                         0xFF, 0,    0,    0};  // interface 0
    writeLittle16(&descriptor[2], total);
    for (std::uint8_t endpoint : usb.endpoints) {
        std::vector<std::uint8_t> bulk{7, 0x05, endpoint, 0x02, 0, 0, 0};
        writeLittle16(&bulk[4], static_cast<std::uint16_t>(usb.packetSize()));
        descriptor.insert(descriptor.end(), bulk.begin(), bulk.end());
    }
    return descriptor;
}

}  // namespace spectro::sim
