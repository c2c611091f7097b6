// Counts the USB units libusb sees (none on a machine without USB), through the library's
// libusb platform.
#include <iostream>

#include "device/buses/usb/platform/LibusbPlatform.h"

int main() {
    spectro::LibusbPlatform platform;
    std::cout << platform.enumerate().size() << '\n';
}
