// usb-probe PRODUCT STEP...: opens the first unit of vendor 0x2457 and the product (hex)
// through the device library's USB layer on its libusb platform, then runs the
// steps in order and prints one line per step:
//   wEP:HEX   writes the bytes to OUT endpoint EP      -> "w <count>"
//   rEP:N     reads up to N bytes from IN endpoint EP  -> "r <count> <first bytes...> ... <last
//   byte>"
// Used to check quillfen-usbemu from outside, as the production program would see the units.

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "device/buses/usb/platform/LibusbPlatform.h"
#include "device/buses/usb/platform/USB.h"
#include "device/buses/usb/platform/USBDeviceTable.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    spectro::installUsbPlatform(std::make_unique<spectro::LibusbPlatform>());
    const auto product = static_cast<std::uint16_t>(std::strtoul(argv[1], nullptr, 16));
    const auto ids = spectro::listUSBDeviceIds(0x2457, product);
    std::printf("units %zu\n", ids.size());
    if (ids.empty()) return 0;
    spectro::USB usb(static_cast<std::uint32_t>(ids[0]));
    if (!usb.open()) return 1;
    std::printf("packet %d\n", usb.getMaxPacketSize());
    for (int i = 2; i < argc; ++i) {
        const std::string step = argv[i];
        const auto endpoint =
            static_cast<std::uint8_t>(std::strtoul(step.substr(1, 2).c_str(), nullptr, 16));
        if (step[0] == 'w') {
            std::vector<std::uint8_t> bytes;
            for (std::size_t at = 4; at + 1 < step.size(); at += 2)
                bytes.push_back(static_cast<std::uint8_t>(
                    std::strtoul(step.substr(at, 2).c_str(), nullptr, 16)));
            std::printf("w %d\n",
                        usb.write(endpoint, bytes.data(), static_cast<int>(bytes.size())));
        } else {
            std::vector<std::uint8_t> buffer(std::strtoul(step.substr(4).c_str(), nullptr, 10));
            const int moved = usb.read(endpoint, buffer.data(), static_cast<int>(buffer.size()));
            std::printf("r %d", moved);
            for (int k = 0; k < moved && k < 4; ++k)
                std::printf(" %02X", buffer[static_cast<std::size_t>(k)]);
            if (moved > 4) std::printf(" ... %02X", buffer[static_cast<std::size_t>(moved - 1)]);
            std::printf("\n");
        }
    }
    return 0;
}
