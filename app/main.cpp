// quillfen: the acquisition program on the real USB units, reached through libusb.

#include <memory>

#include "app/Run.h"
#include "device/buses/usb/platform/LibusbPlatform.h"
#include "device/buses/usb/platform/USBDeviceTable.h"

int main(int argc, char** argv) {
    spectro::installUsbPlatform(std::make_unique<spectro::LibusbPlatform>());
    return quillfen::run(argc, argv);
}
