#include "EmulatedUsbBench.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "device/support/UsbDescriptorBuilder.h"

namespace spectro::test {

namespace {

// A vendor-specific USB 2.0 device with one configuration and 64-byte control packets.
std::vector<std::uint8_t> deviceDescriptor(std::uint16_t vendorId, std::uint16_t productId) {
    std::vector<std::uint8_t> bytes{18, 1, 0x00, 0x02, 0xFF, 0, 0, 64, 0, 0, 0, 0, 0x00, 0x02};
    bytes[8] = static_cast<std::uint8_t>(vendorId & 0xFF);
    bytes[9] = static_cast<std::uint8_t>(vendorId >> 8);
    bytes[10] = static_cast<std::uint8_t>(productId & 0xFF);
    bytes[11] = static_cast<std::uint8_t>(productId >> 8);
    bytes.insert(bytes.end(), {0, 0, 0, 1});  // no strings; one configuration
    return bytes;
}

}  // namespace

bool underUmockdevPreload() {
    const char* preload = std::getenv("LD_PRELOAD");
    return preload != nullptr && std::strstr(preload, "libumockdev-preload") != nullptr;
}

EmulatedUsbBench::EmulatedUsbBench() {
    if (!underUmockdevPreload())
        throw std::runtime_error("the emulated USB bench needs the umockdev preload library");
}

ScriptedUnit& EmulatedUsbBench::add(int bus, const std::string& ports, int address,
                                    std::uint16_t vendorId, std::uint16_t productId,
                                    std::uint16_t packetSize, int speed) {
    sim::UnitPlace place{bus, ports, address, speed, deviceDescriptor(vendorId, productId)};
    const auto configuration = makeFpgaUsbConfigurationDescriptor(packetSize);
    place.descriptors.insert(place.descriptors.end(), configuration.begin(), configuration.end());
    auto unit = std::make_shared<ScriptedUnit>();
    bus_.add(place, unit);
    return *unit;
}

void EmulatedUsbBench::unplug(ScriptedUnit& unit) {
    unit.unplug();
    bus_.removeUnplugged();
}

}  // namespace spectro::test
