#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>

#include "device/buses/usb/platform/USB.h"
#include "device/support/ScriptedUsbFixture.h"
#include "device/support/UsbDescriptorBuilder.h"

namespace spectro::test {
namespace {

using ::testing::ElementsAre;
using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;

constexpr std::uint16_t vendor = 0x2457;
constexpr std::uint16_t product = 0x1016;

class USBTest : public ScriptedUsbFixture {
  protected:
    void SetUp() override {
        ScriptedUsbFixture::SetUp();
        unit = platform->plug("001-1:002", vendor, product);
        deviceID = static_cast<std::uint32_t>(listUSBDeviceIds(vendor, product).at(0));
    }

    std::shared_ptr<ScriptedUsbUnit> unit;
    std::uint32_t deviceID = 0;
};

std::string idText(std::uint32_t id) { return std::to_string(id); }

TEST_F(USBTest, OpenAndCloseReportAndReleaseTheUnit) {
    USB usb(deviceID);
    USB::verbose = true;
    CaptureStderr();
    EXPECT_TRUE(usb.open());
    EXPECT_EQ(GetCapturedStderr(), "Opened device with ID " + idText(deviceID) + "\n");
    EXPECT_TRUE(usb.isOpened());
    EXPECT_EQ(unit->liveConnections, 1);

    EXPECT_TRUE(usb.close());
    EXPECT_FALSE(usb.isOpened());
    EXPECT_EQ(unit->liveConnections, 0);
    EXPECT_FALSE(usb.close());

    // The entry is free to be opened again, also through the same object twice in a row.
    EXPECT_TRUE(usb.open());
    EXPECT_TRUE(usb.open());
    EXPECT_EQ(unit->liveConnections, 1);
}

TEST_F(USBTest, FailedOpenPrintsOnStandardOutputAndWhenVerboseOnStandardError) {
    USB first(deviceID);
    ASSERT_TRUE(first.open());
    for (bool verbose : {false, true}) {
        USB second(deviceID);
        USB::verbose = verbose;
        CaptureStdout();
        CaptureStderr();
        EXPECT_FALSE(second.open());
        const std::string err = GetCapturedStderr();
        EXPECT_EQ(GetCapturedStdout(),
                  "Could not open device with ID " + idText(deviceID) + ". error=-1\n");
        EXPECT_EQ(err, verbose ? "Warning: failed to open device with ID " + idText(deviceID) +
                                     ", error=-1\n"
                               : "");
        EXPECT_FALSE(second.isOpened());
    }
    EXPECT_TRUE(first.isOpened());  // the failed attempts did not touch the open entry
}

TEST_F(USBTest, TransfersMoveTheCallersBytesOnTheGivenEndpoints) {
    USB usb(deviceID);
    ASSERT_TRUE(usb.open());
    const std::uint8_t command[] = {0x09, 0x6B};
    EXPECT_EQ(usb.write(0x01, command, 2), 2);

    unit->reply(0x82, {1, 2, 3});
    std::uint8_t buffer[8] = {};
    EXPECT_EQ(usb.read(0x82, buffer, 8), 3);  // a short read returns its count
    EXPECT_THAT(std::vector<std::uint8_t>(buffer, buffer + 4), ElementsAre(1, 2, 3, 0));

    unit->writeResults = {0};
    EXPECT_EQ(usb.write(0x01, command, 2), 0);
    EXPECT_EQ(usb.read(0x81, buffer, 8), -1);  // the platform fails the read
    EXPECT_THAT(unit->describeEvents(),
                ElementsAre("write 0x01 09 6B", "read 0x82 8", "write 0x01 09 6B", "read 0x81 8"));
}

TEST_F(USBTest, FailuresAndClosedObjectsReturnMinusOneWithTheirMessages) {
    USB usb(deviceID);
    std::uint8_t buffer[4] = {0xAA, 0xBB, 0xCC, 0xDD};
    USB::verbose = true;
    struct Case {
        bool open;
        bool write;
        std::string message;
    };
    const Case cases[] = {
        {false, true, "ERROR: tried to write to a USB device that is not opened.\n"},
        {false, false, "ERROR: tried to read a USB device that is not opened.\n"},
        {true, true, "Warning: got error -1 while trying to write 4 bytes over USB endpoint 1\n"},
        {true, false, "Warning: got error -1 while trying to read 4 bytes over USB endpoint 130\n"},
    };
    for (const Case& c : cases) {
        if (c.open) {
            ASSERT_TRUE(usb.open());
        }
        unit->writeResults = {-1};
        const std::uint8_t endpoint = c.write ? 0x01 : 0x82;
        CaptureStderr();
        const int result = c.write ? usb.write(endpoint, buffer, 4) : usb.read(endpoint, buffer, 4);
        const std::string err = GetCapturedStderr();
        EXPECT_EQ(result, -1);
        char header[64];
        std::snprintf(header, sizeof header, "%s Transferring 4 bytes via endpoint 0x%02X:\n",
                      c.write ? ">>" : "<<", endpoint);
        EXPECT_EQ(err, header + c.message);
    }
}

std::string dumpOf(int length, std::uint8_t endpoint) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length) + 1);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
    CaptureStderr();
    USB::dumpTransfer(bytes.data(), length, endpoint);
    return GetCapturedStderr();
}

TEST_F(USBTest, DumpPrintsSixteenBytesPerRowAndAnOffsetOnlyRowAtEveryMultipleOfSixteen) {
    const std::string row0 = "[0000]: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \n";
    const std::string row1 = "[0010]: 10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F \n";
    EXPECT_EQ(dumpOf(0, 0x01), "Endpoint 0x01 transferred 0 bytes out:\n[0000]: \n");
    EXPECT_EQ(dumpOf(16, 0x82), "Endpoint 0x82 transferred 16 bytes in:\n" + row0 + "[0010]: \n");
    EXPECT_EQ(dumpOf(32, 0x81),
              "Endpoint 0x81 transferred 32 bytes in:\n" + row0 + row1 + "[0020]: \n");
    EXPECT_EQ(dumpOf(18, 0x02),
              "Endpoint 0x02 transferred 18 bytes out:\n" + row0 + "[0010]: 10 11 \n");

    // Past 64 KiB the offsets grow a fifth digit; the rows keep all their bytes and line ends.
    const std::string large = dumpOf(0x10010, 0x82);
    const std::string tail =
        "[FFF0]: F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 FA FB FC FD FE FF \n"
        "[10000]: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \n"
        "[10010]: \n";
    ASSERT_GE(large.size(), tail.size());
    EXPECT_EQ(large.substr(large.size() - tail.size()), tail);
    EXPECT_EQ(std::count(large.begin(), large.end(), '\n'), 1 + 0x10010 / 16 + 1);
}

TEST_F(USBTest, VerboseReadPrintsTheHeaderThenTheDumpOfTheRequestedLength) {
    USB usb(deviceID);
    ASSERT_TRUE(usb.open());
    unit->reply(0x81, {0x08, 0x10});
    std::uint8_t buffer[3] = {0, 0, 0x77};
    USB::verbose = true;
    CaptureStderr();
    EXPECT_EQ(usb.read(0x81, buffer, 3), 2);
    EXPECT_EQ(GetCapturedStderr(),
              "<< Transferring 3 bytes via endpoint 0x81:\n"
              "Endpoint 0x81 transferred 3 bytes in:\n"
              "[0000]: 08 10 77 \n");
}

TEST_F(USBTest, LargestPacketSizeComesFromTheFirstInterfacesEndpoints) {
    struct Case {
        std::vector<std::uint8_t> configuration;
        int expected;
    };
    const std::vector<std::uint8_t> classSpecific = {5, 0x24, 0, 0x10, 0x01};
    std::vector<std::uint8_t> noInterface = {9, 2, 9, 0, 0, 1, 0, 0x80, 50};
    std::vector<std::uint8_t> truncated = makeFpgaUsbConfigurationDescriptor(512);
    truncated.resize(truncated.size() - 3);  // the last endpoint descriptor is cut short
    const Case cases[] = {
        {makeFpgaUsbConfigurationDescriptor(64), 64},
        {makeFpgaUsbConfigurationDescriptor(512), 512},
        {makeUsbConfigurationDescriptor({{0x01, 64}, {0x81, 512}, {0x82, 64}}), 512},
        {makeUsbConfigurationDescriptor({{0x01, 64}, {0x82, 512}}, classSpecific), 512},
        {truncated, 512},
        {noInterface, -1},
        {{}, -1},  // reading the descriptor fails
    };
    USB usb(deviceID);
    ASSERT_TRUE(usb.open());
    for (const Case& c : cases) {
        unit->configuration = c.configuration;
        EXPECT_EQ(usb.getMaxPacketSize(), c.expected);
    }
    USB::verbose = true;
    unit->configuration = makeFpgaUsbConfigurationDescriptor(64);
    CaptureStderr();
    EXPECT_EQ(usb.getMaxPacketSize(), 64);
    EXPECT_EQ(GetCapturedStderr(), "Max packet size is 64\n");
    usb.close();
    CaptureStderr();
    EXPECT_EQ(usb.getMaxPacketSize(), -1);
    EXPECT_EQ(GetCapturedStderr(), "ERROR: tried to read a USB device that is not opened.\n");
}

TEST_F(USBTest, ResetPipeClearsTheHaltOnlyWhileOpened) {
    USB usb(deviceID);
    USB::verbose = true;
    CaptureStderr();
    usb.resetPipe(0x81);
    EXPECT_EQ(GetCapturedStderr(), "ERROR: tried to access a USB device that is not opened.\n");
    ASSERT_TRUE(usb.open());
    usb.resetPipe(0x81);
    usb.resetPipe(0x01);
    EXPECT_THAT(unit->describeEvents(), ElementsAre("clear 0x81", "clear 0x01"));
}

TEST_F(USBTest, UnitReleasedByAProbeLeavesTheObjectClosed) {
    USB usb(deviceID);
    ASSERT_TRUE(usb.open());
    platform->unplug("001-1:002");
    EXPECT_EQ(probeUSBDevices(vendor, product), 0);
    EXPECT_EQ(unit->liveConnections, 0);

    std::uint8_t buffer[4] = {};
    USB::verbose = true;
    CaptureStderr();
    EXPECT_EQ(usb.read(0x82, buffer, 4), -1);
    EXPECT_EQ(GetCapturedStderr(),
              "<< Transferring 4 bytes via endpoint 0x82:\n"
              "ERROR: tried to read a USB device that is not opened.\n");
    EXPECT_FALSE(usb.isOpened());
    EXPECT_FALSE(usb.close());
    EXPECT_TRUE(unit->events.empty());
}

TEST_F(USBTest, DestroyingAnOpenedObjectClosesTheUnit) {
    {
        USB usb(deviceID);
        ASSERT_TRUE(usb.open());
        EXPECT_EQ(unit->liveConnections, 1);
    }
    EXPECT_EQ(unit->liveConnections, 0);
    EXPECT_EQ(USBDeviceTable::instance().findEntry(static_cast<std::int32_t>(deviceID))->openHandle,
              nullptr);
}

}  // namespace
}  // namespace spectro::test
