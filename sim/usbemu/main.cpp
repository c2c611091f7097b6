// quillfen-usbemu BENCH -- PROGRAM [ARGS...]: runs PROGRAM on an emulated USB bus that holds
// the bench's simulated units, so that an unmodified program reaches them through its real
// USB library. Returns PROGRAM's exit code (128 + the signal when it was killed by one).

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sim/BenchConfig.h"
#include "sim/SimBench.h"
#include "sim/usbemu/BenchOnBus.h"
#include "sim/usbemu/EmulatedBus.h"

namespace {

constexpr int usageError = 2;

void prependToVariable(const char* name, const std::string& value, const char* separator) {
    std::string combined = value;
    if (const char* existing = std::getenv(name); existing != nullptr && *existing != '\0')
        combined += separator + std::string(existing);
    setenv(name, combined.c_str(), 1);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace spectro::sim;
    if (argc < 4 || std::strcmp(argv[2], "--") != 0) {
        std::cerr << "usage: quillfen-usbemu BENCH -- PROGRAM [ARGS...]" << std::endl;
        return usageError;
    }
    BenchConfig config;
    try {
        config = readBenchFile(argv[1]);
    } catch (const BenchError& error) {
        std::cerr << "quillfen-usbemu: cannot use the bench " << argv[1] << ": " << error.what()
                  << std::endl;
        return usageError;
    }

    // The bench closes its units when it goes, so it goes after the bus.
    std::unique_ptr<SimBench> bench;
    std::unique_ptr<EmulatedBus> bus;
    try {
        bench = std::make_unique<SimBench>(config);
        bus = std::make_unique<EmulatedBus>();
        plugBenchIn(*bench, *bus);
    } catch (const std::exception& error) {
        std::cerr << "quillfen-usbemu: " << error.what() << std::endl;
        return usageError;
    }

    const pid_t child = fork();
    if (child < 0) {
        std::perror("quillfen-usbemu: cannot start the program");
        return usageError;
    }
    if (child == 0) {
        // The bus lives in this process; the program finds it through UMOCKDEV_DIR (set by the
        // bus) and the preload library. AddressSanitizer builds would refuse the library
        // coming first in the preload list.
        prependToVariable("LD_PRELOAD", "libumockdev-preload.so.0", ":");
        prependToVariable("ASAN_OPTIONS", "verify_asan_link_order=0", ":");
        execvp(argv[3], argv + 3);
        std::perror("quillfen-usbemu: cannot run the program");
        _exit(127);
    }

    int status = 0;
    for (;;) {
        const pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child) break;
        if (ended < 0) {
            std::perror("quillfen-usbemu: lost the program");
            return usageError;
        }
        bus->removeUnplugged();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return usageError;
}
