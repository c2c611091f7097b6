#pragma once

#include <gtest/gtest.h>

#include "device/buses/usb/platform/USB.h"
#include "device/buses/usb/platform/USBDeviceTable.h"
#include "device/support/ScriptedUsbPlatform.h"

namespace spectro::test {

// Gives each test an empty device table on a scripted platform, and leaves the verbose
// switch as it found it.
class ScriptedUsbFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        auto owned = std::make_unique<ScriptedUsbPlatform>();
        platform = owned.get();
        installUsbPlatform(std::move(owned));
    }
    void TearDown() override {
        USB::verbose = false;
        installUsbPlatform(std::make_unique<ScriptedUsbPlatform>());
    }

    ScriptedUsbPlatform* platform = nullptr;  // owned by the device table
};

}  // namespace spectro::test
