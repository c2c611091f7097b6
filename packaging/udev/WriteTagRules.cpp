// Writes the udev rules file that tags every USB unit the device library drives with
// ID_QUILLFEN=1. The vendor and product ids come from the buses of the factory's models, so a
// model added to the factory is tagged without touching this file. Run at build time.

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <set>
#include <string>
#include <utility>

#include "device/buses/usb/SpectrometerUSBInterface.h"
#include "device/common/BusFamilies.h"
#include "device/common/DeviceFactory.h"

namespace {

// sysfs writes idVendor and idProduct as four lower-case hex digits, and udev compares texts.
std::string sysfsId(std::int32_t id) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(id & 0xFFFF));
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " OUTPUT.rules" << std::endl;
        return 2;
    }
    std::ofstream out(argv[1], std::ios::trunc);
    if (!out) {
        std::cerr << argv[0] << ": cannot write " << argv[1] << std::endl;
        return 1;
    }

    out << "# The USB spectrometers that quillfen drives, tagged with ID_QUILLFEN=1 for the rules\n"
           "# that hand them to their users (61-quillfen-uaccess.rules, 61-quillfen-group.rules).\n"
           "# Written at build time from the device library's model table: do not edit.\n"
           "\n"
           "ACTION==\"remove\", GOTO=\"quillfen_end\"\n"
           "SUBSYSTEM!=\"usb\", GOTO=\"quillfen_end\"\n"
           "ENV{DEVTYPE}!=\"usb_device\", GOTO=\"quillfen_end\"\n";

    const spectro::DeviceFactory& factory = spectro::DeviceFactory::getInstance();
    std::set<std::pair<std::int32_t, std::int32_t>> written;
    for (int position = 0; position < factory.getNumberOfModels(); ++position) {
        const auto device = factory.createModel(position);
        for (spectro::Bus* bus : device->getBusesByFamily(spectro::BusFamilies().USB)) {
            const auto* usb = dynamic_cast<const spectro::SpectrometerUSBInterface*>(bus);
            if (usb == nullptr) continue;
            // Two models that share ids need one rule.
            if (!written.emplace(usb->getVendorId(), usb->getProductId()).second) continue;
            out << "\n# " << device->getName() << " (" << factory.getRegistryName(position) << ")\n"
                << "ATTR{idVendor}==\"" << sysfsId(usb->getVendorId()) << "\", ATTR{idProduct}==\""
                << sysfsId(usb->getProductId()) << "\", ENV{ID_QUILLFEN}=\"1\"\n";
        }
    }
    out << "\nLABEL=\"quillfen_end\"\n";

    if (written.empty()) {
        std::cerr << argv[0] << ": the factory has no model with a USB bus" << std::endl;
        return 1;
    }
    out.close();
    if (!out) {
        std::cerr << argv[0] << ": cannot write " << argv[1] << std::endl;
        return 1;
    }
    return 0;
}
