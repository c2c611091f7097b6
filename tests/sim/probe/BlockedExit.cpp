// Leaves a thread blocked in a spectrum read that a never-firing trigger holds back, as an
// acquisition thread would be, then ends the program. The process must still exit.

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "device/buses/usb/platform/USB.h"
#include "device/buses/usb/platform/USBDeviceTable.h"
#include "sim/SimBench.h"
#include "sim/transports/SimUsbPlatform.h"

int main() {
    using namespace spectro::sim;
    const BenchConfig bench =
        parseBench(R"({"trigger": null, "devices": [{"model": "HR2000+", "serial": "HR+C1834"}]})");
    spectro::installUsbPlatform(
        std::make_unique<SimUsbPlatform>(std::make_shared<SimBench>(bench)));
    const auto ids = spectro::listUSBDeviceIds(0x2457, 0x1016);
    if (ids.size() != 1) return 1;
    static spectro::USB usb(static_cast<std::uint32_t>(ids[0]));
    if (!usb.open()) return 1;
    const std::uint8_t hardware[] = {0x0A, 0x01, 0x00};
    const std::uint8_t request[] = {0x09};
    if (usb.write(0x01, hardware, 3) != 3 || usb.write(0x01, request, 1) != 1) return 1;
    std::thread([] {
        static std::uint8_t frame[4097];
        usb.read(0x82, frame, sizeof frame);
        std::puts("read returned");
    }).detach();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::puts("ending");
    return 0;
}
