#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "EmulatedUsbBench.h"

// The tests must run with umockdev's preload library, which redirects /sys and /dev into the
// emulated bench. Started without it (as ctest does), the program starts itself again under
// it. An AddressSanitizer build would refuse the preload library coming first; telling it not
// to check is harmless here.
int main(int argc, char** argv) {
    if (!spectro::test::underUmockdevPreload() &&
        std::getenv("EMULATED_USB_RESTARTED") == nullptr) {
        std::string preload = "libumockdev-preload.so.0";
        if (const char* existing = std::getenv("LD_PRELOAD");
            existing != nullptr && *existing != '\0')
            preload += std::string(":") + existing;
        std::string asan = "verify_asan_link_order=0";
        if (const char* existing = std::getenv("ASAN_OPTIONS");
            existing != nullptr && *existing != '\0')
            asan = std::string(existing) + ":" + asan;
        setenv("LD_PRELOAD", preload.c_str(), 1);
        setenv("ASAN_OPTIONS", asan.c_str(), 1);
        setenv("EMULATED_USB_RESTARTED", "1", 1);
        execv("/proc/self/exe", argv);
        std::perror("cannot restart under the umockdev preload library");
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
