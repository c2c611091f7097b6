#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <thread>

#include "EmulatedUsbBench.h"
#include "device/buses/usb/platform/LibusbPlatform.h"
#include "device/buses/usb/platform/USB.h"
#include "device/buses/usb/platform/USBDeviceTable.h"

namespace spectro::test {
namespace {

using ::testing::ElementsAre;

constexpr std::uint16_t vendor = 0x2457;
constexpr std::uint16_t hr2000Plus = 0x1016;
constexpr std::uint16_t hr4000 = 0x1012;

// libusb starts after the bench exists, so each test gets its own platform on its own bench.
class LibusbPlatformTest : public ::testing::Test {
  protected:
    LibusbPlatform& startLibusb() {
        auto owned = std::make_unique<LibusbPlatform>();
        LibusbPlatform& platform = *owned;
        installUsbPlatform(std::move(owned));
        return platform;
    }
    void TearDown() override {
        USB::verbose = false;
        installUsbPlatform(nullptr);  // releases libusb before the bench goes
    }

    EmulatedUsbBench bench;
};

TEST_F(LibusbPlatformTest, ListsUnitsInBusPortOrderWithTheirVendorAndProduct) {
    bench.add(1, "3", 3, vendor, hr4000, 512, 480);
    bench.add(1, "2", 2, vendor, hr2000Plus, 64, 12);
    bench.add(2, "1", 4, vendor, hr2000Plus, 512, 480);
    LibusbPlatform& platform = startLibusb();
    ASSERT_TRUE(platform.available());

    std::vector<std::string> listed;
    for (const UsbUnitInfo& unit : platform.enumerate()) {
        char text[64];
        std::snprintf(text, sizeof text, "%s %04X/%04X", unit.path.c_str(), unit.vendorId,
                      unit.productId);
        listed.push_back(text);
    }
    EXPECT_THAT(listed,
                ElementsAre("001-2:002 2457/1016", "001-3:003 2457/1012", "002-1:004 2457/1016"));

    const auto ids = listUSBDeviceIds(vendor, hr2000Plus);
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_EQ(USBDeviceTable::instance().findEntry(ids[0])->devicePath, "001-2:002");
    EXPECT_EQ(USBDeviceTable::instance().findEntry(ids[1])->devicePath, "002-1:004");
    EXPECT_EQ(listUSBDeviceIds(vendor, hr2000Plus), ids);
}

TEST_F(LibusbPlatformTest, MachineWithoutUnitsListsNothingAndOpensNothing) {
    LibusbPlatform& platform = startLibusb();
    EXPECT_TRUE(platform.enumerate().empty());
    EXPECT_EQ(platform.open("001-2:002"), nullptr);
    EXPECT_EQ(probeUSBDevices(vendor, hr2000Plus), 0);
    EXPECT_TRUE(listUSBDeviceIds(vendor, hr2000Plus).empty());
}

TEST_F(LibusbPlatformTest, OpenClaimsInterfaceZeroAndBulkTransfersUseTheGivenEndpoints) {
    ScriptedUnit& unit = bench.add(1, "2", 2, vendor, hr2000Plus, 512, 480);
    startLibusb();
    const auto ids = listUSBDeviceIds(vendor, hr2000Plus);
    ASSERT_EQ(ids.size(), 1u);

    USB usb(static_cast<std::uint32_t>(ids[0]));
    ASSERT_TRUE(usb.open());
    const std::uint8_t request = 0x09;
    EXPECT_EQ(usb.write(0x01, &request, 1), 1);

    std::vector<std::uint8_t> frame(4097);
    std::iota(frame.begin(), frame.end(), std::uint8_t{1});
    unit.reply(0x82, frame);
    std::vector<std::uint8_t> received(4097);
    EXPECT_EQ(usb.read(0x82, received.data(), 4097), 4097);
    EXPECT_EQ(received, frame);

    unit.reply(0x81, {0x08, 0x34, 0x12});
    std::uint8_t reply[17] = {};
    EXPECT_EQ(usb.read(0x81, reply, 17), 3);  // a short reply is returned as it came
    EXPECT_THAT(std::vector<std::uint8_t>(reply, reply + 4), ElementsAre(0x08, 0x34, 0x12, 0x00));

    EXPECT_TRUE(usb.close());
    EXPECT_THAT(unit.events(), ElementsAre("claim 0", "write 0x01 09", "read 0x82 4097",
                                           "read 0x81 17", "release 0"));
}

TEST_F(LibusbPlatformTest, LargestPacketSizeComesFromTheConfigurationDescriptor) {
    bench.add(1, "2", 2, vendor, hr4000, 64, 12);
    bench.add(1, "3", 3, vendor, hr4000, 512, 480);
    startLibusb();
    const auto ids = listUSBDeviceIds(vendor, hr4000);
    ASSERT_EQ(ids.size(), 2u);
    USB fullSpeed(static_cast<std::uint32_t>(ids[0]));
    USB highSpeed(static_cast<std::uint32_t>(ids[1]));
    ASSERT_TRUE(fullSpeed.open());
    ASSERT_TRUE(highSpeed.open());
    EXPECT_EQ(fullSpeed.getMaxPacketSize(), 64);
    EXPECT_EQ(highSpeed.getMaxPacketSize(), 512);
}

TEST_F(LibusbPlatformTest, PipeResetClearsTheHaltOfEachEndpoint) {
    ScriptedUnit& unit = bench.add(1, "2", 2, vendor, hr2000Plus, 512, 480);
    startLibusb();
    USB usb(static_cast<std::uint32_t>(listUSBDeviceIds(vendor, hr2000Plus).at(0)));
    ASSERT_TRUE(usb.open());
    for (std::uint8_t endpoint : {0x81, 0x82, 0x01}) usb.resetPipe(endpoint);
    EXPECT_THAT(unit.events(), ElementsAre("claim 0", "clear 0x81", "clear 0x82", "clear 0x01"));
}

TEST_F(LibusbPlatformTest, UnitThatDisappearsFailsItsTransfersAndLeavesTheTable) {
    ScriptedUnit& unit = bench.add(1, "2", 2, vendor, hr2000Plus, 512, 480);
    bench.add(1, "3", 3, vendor, hr2000Plus, 512, 480);
    startLibusb();
    const auto ids = listUSBDeviceIds(vendor, hr2000Plus);
    ASSERT_EQ(ids.size(), 2u);
    USB usb(static_cast<std::uint32_t>(ids[0]));
    ASSERT_TRUE(usb.open());

    bench.unplug(unit);
    std::uint8_t buffer[3] = {};
    EXPECT_EQ(usb.read(0x81, buffer, 3), -1);
    EXPECT_EQ(usb.write(0x01, buffer, 1), -1);

    // libusb learns of the removal from its hot-plug monitor, a moment later.
    std::vector<std::int32_t> left;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    do {
        left = listUSBDeviceIds(vendor, hr2000Plus);
        if (left.size() == 1) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < deadline);
    EXPECT_THAT(left, ElementsAre(ids[1]));
    EXPECT_FALSE(usb.isOpened());
    EXPECT_FALSE(usb.close());
}

}  // namespace
}  // namespace spectro::test
