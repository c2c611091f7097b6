#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace spectro::test {

// A configuration descriptor with one interface whose bulk endpoints have the given addresses
// and largest packet sizes. `betweenInterfaceAndEndpoints` is inserted as is (class-specific
// descriptors).
inline std::vector<std::uint8_t> makeUsbConfigurationDescriptor(
    const std::vector<std::pair<std::uint8_t, std::uint16_t>>& endpoints,
    const std::vector<std::uint8_t>& betweenInterfaceAndEndpoints = {}) {
    const std::size_t total = 9 + 9 + betweenInterfaceAndEndpoints.size() + 7 * endpoints.size();
    std::vector<std::uint8_t> bytes = {9,
                                       2,
                                       static_cast<std::uint8_t>(total & 0xFF),
                                       static_cast<std::uint8_t>(total >> 8),
                                       1,
                                       1,
                                       0,
                                       0x80,
                                       50};
    const std::uint8_t interface[] = {9,    4, 0, 0, static_cast<std::uint8_t>(endpoints.size()),
                                      0xFF, 0, 0, 0};
    bytes.insert(bytes.end(), std::begin(interface), std::end(interface));
    bytes.insert(bytes.end(), betweenInterfaceAndEndpoints.begin(),
                 betweenInterfaceAndEndpoints.end());
    for (const auto& [address, packetSize] : endpoints) {
        const std::uint8_t endpoint[] = {7,
                                         5,
                                         address,
                                         0x02,
                                         static_cast<std::uint8_t>(packetSize & 0xFF),
                                         static_cast<std::uint8_t>(packetSize >> 8),
                                         0};
        bytes.insert(bytes.end(), std::begin(endpoint), std::end(endpoint));
    }
    return bytes;
}

// The endpoints of the FPGA units at full speed (64) or high speed (512).
inline std::vector<std::uint8_t> makeFpgaUsbConfigurationDescriptor(std::uint16_t packetSize) {
    return makeUsbConfigurationDescriptor(
        {{0x01, packetSize}, {0x81, packetSize}, {0x82, packetSize}, {0x86, packetSize}});
}

}  // namespace spectro::test
