#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <map>
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
    // Reads ask for whole 512-byte packets.
    EXPECT_THAT(unit.events(), ElementsAre("claim 0", "write 0x01 09", "read 0x82 4608",
                                           "read 0x81 512", "release 0"));
}

std::vector<std::uint8_t> pattern(std::size_t count, std::uint8_t first) {
    std::vector<std::uint8_t> bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

std::vector<std::string> readsSeen(const ScriptedUnit& unit) {
    std::vector<std::string> reads;
    for (const std::string& event : unit.events())
        if (event.rfind("read ", 0) == 0 || event.rfind("clear ", 0) == 0) reads.push_back(event);
    return reads;
}

struct ReadStep {
    std::uint8_t endpoint;
    int length;
    int expected;
};

struct KeepingCase {
    const char* name;
    std::uint16_t packetSize;
    std::vector<std::pair<std::uint8_t, std::size_t>> replies;  // endpoint, reply length
    std::vector<ReadStep> reads;
    std::vector<std::string> transfers;  // what the unit was asked for
};

// Endpoint 0x83 is not in the configuration descriptor, so its packet size is unknown.
const KeepingCase keepingCases[] = {
    {"header then rest, 64-byte packets",
     64,
     {{0x81, 200}},
     {{0x81, 64, 64}, {0x81, 136, 136}},
     {"read 0x81 64", "read 0x81 192"}},
    {"header then rest out of one 512-byte packet",
     512,
     {{0x81, 200}},
     {{0x81, 64, 64}, {0x81, 136, 136}},
     {"read 0x81 512"}},
    {"short reply", 64, {{0x81, 3}}, {{0x81, 10, 3}}, {"read 0x81 64"}},
    {"kept bytes that cover a read only partly are all it gets",
     512,
     {{0x81, 200}, {0x81, 5}},
     {{0x81, 64, 64}, {0x81, 100, 100}, {0x81, 50, 36}, {0x81, 10, 5}},
     {"read 0x81 512", "read 0x81 512"}},
    {"each endpoint keeps its own",
     512,
     {{0x81, 200}, {0x82, 300}},
     {{0x81, 64, 64}, {0x82, 64, 64}, {0x81, 136, 136}, {0x82, 236, 236}},
     {"read 0x81 512", "read 0x82 512"}},
    {"unknown endpoint reads its own length",
     512,
     {{0x83, 200}},
     {{0x83, 64, 64}, {0x83, 136, 136}},
     {"read 0x83 64", "read 0x83 136"}},
};

TEST_F(LibusbPlatformTest, ReadsWholePacketsAndKeepsTheExcessForTheNextReadOfTheEndpoint) {
    // One unit per case, at ports 1, 2, ... so that they are listed in case order.
    std::vector<ScriptedUnit*> units;
    for (const KeepingCase& test : keepingCases) {
        const int position = static_cast<int>(units.size()) + 1;
        units.push_back(&bench.add(1, std::to_string(position), position + 1, vendor, hr2000Plus,
                                   test.packetSize, 480));
    }
    startLibusb();
    const auto ids = listUSBDeviceIds(vendor, hr2000Plus);
    ASSERT_EQ(ids.size(), units.size());

    for (std::size_t i = 0; i < units.size(); ++i) {
        const KeepingCase& test = keepingCases[i];
        SCOPED_TRACE(test.name);
        ScriptedUnit& unit = *units[i];
        USB usb(static_cast<std::uint32_t>(ids[i]));
        ASSERT_TRUE(usb.open());

        std::map<std::uint8_t, std::vector<std::uint8_t>> sent, received;
        std::uint8_t first = 1;
        for (const auto& [endpoint, length] : test.replies) {
            const auto bytes = pattern(length, first);
            first = static_cast<std::uint8_t>(first + 101);
            unit.reply(endpoint, bytes);
            sent[endpoint].insert(sent[endpoint].end(), bytes.begin(), bytes.end());
        }
        for (const ReadStep& step : test.reads) {
            std::vector<std::uint8_t> buffer(static_cast<std::size_t>(step.length));
            const int got = usb.read(step.endpoint, buffer.data(), step.length);
            ASSERT_EQ(got, step.expected) << "read of " << step.length;
            received[step.endpoint].insert(received[step.endpoint].end(), buffer.begin(),
                                           buffer.begin() + got);
        }
        EXPECT_EQ(received, sent);
        EXPECT_EQ(readsSeen(unit), test.transfers);
    }
}

TEST_F(LibusbPlatformTest, ClearingAHaltOrReopeningDropsTheKeptBytes) {
    ScriptedUnit& unit = bench.add(1, "2", 2, vendor, hr2000Plus, 512, 480);
    startLibusb();
    USB usb(static_cast<std::uint32_t>(listUSBDeviceIds(vendor, hr2000Plus).at(0)));
    ASSERT_TRUE(usb.open());
    std::uint8_t buffer[64] = {};

    unit.reply(0x81, pattern(200, 1));
    ASSERT_EQ(usb.read(0x81, buffer, 64), 64);
    usb.resetPipe(0x81);
    unit.reply(0x81, pattern(10, 0xA0));
    ASSERT_EQ(usb.read(0x81, buffer, 64), 10);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 10), pattern(10, 0xA0));

    unit.reply(0x81, pattern(200, 1));
    ASSERT_EQ(usb.read(0x81, buffer, 64), 64);
    ASSERT_TRUE(usb.close());
    ASSERT_TRUE(usb.open());
    unit.reply(0x81, pattern(10, 0xB0));
    ASSERT_EQ(usb.read(0x81, buffer, 64), 10);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 10), pattern(10, 0xB0));

    EXPECT_THAT(readsSeen(unit), ElementsAre("read 0x81 512", "clear 0x81", "read 0x81 512",
                                             "read 0x81 512", "read 0x81 512"));
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
