#pragma once

#include <gtest/gtest.h>

#include "device/buses/usb/USBBusModels.h"
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

// One scripted HR2000+ unit, reached through its opened USB bus; what opening sent is
// forgotten, so a test sees only its own transfers.
class OpenedHR2000PlusFixture : public ScriptedUsbFixture {
  protected:
    void SetUp() override {
        ScriptedUsbFixture::SetUp();
        unit = platform->plug("001-1:002", 0x2457, 0x1016);
        bus.setLocation(*bus.probeDevices().at(0));
        ASSERT_TRUE(bus.open());
        unit->events.clear();
    }

    std::shared_ptr<ScriptedUsbUnit> unit;
    HR2000PlusUSB bus;
};

}  // namespace spectro::test
