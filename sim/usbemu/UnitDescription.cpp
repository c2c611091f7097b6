#include "sim/usbemu/UnitDescription.h"

#include <cstdio>
#include <stdexcept>

namespace spectro::sim {

namespace {

// umockdev rejects the device node's contents unless the hex is upper case.
std::string upperHex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char pair[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", b);
        text += pair;
    }
    return text;
}

std::string threeDigits(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%03d", number);
    return text;
}

std::string fourHexDigits(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", bytes[at] | (bytes[at + 1] << 8));
    return text;
}

std::string devicePath(const UnitPlace& place) {
    const std::string bus = std::to_string(place.bus);
    return "/devices/pci0000:00/0000:00:14.0/usb" + bus + "/" + bus + "-" + place.ports;
}

}  // namespace

std::string deviceNode(const UnitPlace& place) {
    return "/dev/bus/usb/" + threeDigits(place.bus) + "/" + threeDigits(place.address);
}

std::string sysfsPath(const UnitPlace& place) { return "/sys" + devicePath(place); }

std::string udevDescription(const UnitPlace& place) {
    if (place.descriptors.size() < 18)
        throw std::invalid_argument("an emulated unit needs its device descriptor");
    const std::string vendor = fourHexDigits(place.descriptors, 8);
    const std::string product = fourHexDigits(place.descriptors, 10);
    const std::string hexDescriptors = upperHex(place.descriptors);
    const std::string busText = threeDigits(place.bus);
    const std::string devText = threeDigits(place.address);
    const std::string minor = std::to_string((place.bus - 1) * 128 + place.address - 1);
    std::string text;
    auto line = [&text](const std::string& content) { text += content + "\n"; };
    // Attribute values end in a newline, as the kernel writes them; libusb warns otherwise.
    auto attribute = [&line](const std::string& name, const std::string& value) {
        line("A: " + name + "=" + value + "\\n");
    };
    line("P: " + devicePath(place));
    line("N: bus/usb/" + busText + "/" + devText + "=" + hexDescriptors);
    line("E: DEVNAME=" + deviceNode(place));
    line("E: DEVTYPE=usb_device");
    line("E: DRIVER=usb");
    line("E: SUBSYSTEM=usb");
    line("E: PRODUCT=" + vendor + "/" + product + "/200");
    line("E: BUSNUM=" + busText);
    line("E: DEVNUM=" + devText);
    line("E: MAJOR=189");
    line("E: MINOR=" + minor);
    attribute("dev", "189:" + minor);
    attribute("busnum", std::to_string(place.bus));
    attribute("devnum", std::to_string(place.address));
    attribute("speed", std::to_string(place.speed));
    attribute("idVendor", vendor);
    attribute("idProduct", product);
    attribute("bConfigurationValue", "1");
    attribute("bNumConfigurations", "1");
    line("H: descriptors=" + hexDescriptors);
    return text;
}

}  // namespace spectro::sim
