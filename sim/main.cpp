// quillfen-sim: the acquisition program on a bench of simulated spectrometers.

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include "app/Run.h"
#include "device/buses/usb/platform/USBDeviceTable.h"
#include "sim/BenchConfig.h"
#include "sim/SimBench.h"
#include "sim/transports/SimUsbPlatform.h"

int main(int argc, char** argv) {
    using namespace spectro::sim;
    const char* benchPath = std::getenv("QUILLFEN_SIM_BENCH");
    BenchConfig bench;
    try {
        bench = benchPath != nullptr && *benchPath != '\0' ? readBenchFile(benchPath) : demoBench();
    } catch (const BenchError& error) {
        // Nothing else has happened yet: no status line, no probe.
        std::cerr << "quillfen-sim: cannot use the bench " << benchPath << ": " << error.what()
                  << std::endl;
        return 2;
    }
    spectro::installUsbPlatform(
        std::make_unique<SimUsbPlatform>(std::make_shared<SimBench>(bench)));
    return quillfen::run(argc, argv);
}
