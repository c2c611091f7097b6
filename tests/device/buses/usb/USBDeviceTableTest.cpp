#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "device/buses/usb/platform/USBDeviceTable.h"
#include "device/support/ScriptedUsbFixture.h"

namespace spectro::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::uint16_t vendor = 0x2457;
constexpr std::uint16_t hr2000Plus = 0x1016;
constexpr std::uint16_t maya = 0x102A;

using USBDeviceTableTest = ScriptedUsbFixture;

const USBDeviceTable& table() { return USBDeviceTable::instance(); }

TEST_F(USBDeviceTableTest, SecondProbeWithNothingChangedKeepsEntriesAndIds) {
    platform->plug("001-1:002", vendor, hr2000Plus);
    platform->plug("001-2:003", vendor, maya);
    platform->plug("001-3:004", vendor, hr2000Plus);

    const auto first = listUSBDeviceIds(vendor, hr2000Plus);
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[1], first[0] + 1);
    EXPECT_EQ(table().findEntry(first[1])->devicePath, "001-3:004");

    EXPECT_EQ(probeUSBDevices(vendor, hr2000Plus), 2);
    EXPECT_EQ(listUSBDeviceIds(vendor, hr2000Plus), first);
    EXPECT_EQ(table().entryCount(), 2);  // the other product was never entered
}

TEST_F(USBDeviceTableTest, UnpluggedUnitLosesItsEntryAndComesBackWithAHigherId) {
    platform->plug("001-1:002", vendor, hr2000Plus);
    platform->plug("001-2:003", vendor, hr2000Plus);
    const auto before = listUSBDeviceIds(vendor, hr2000Plus);
    ASSERT_EQ(before.size(), 2u);

    platform->unplug("001-1:002");
    EXPECT_THAT(listUSBDeviceIds(vendor, hr2000Plus), ElementsAre(before[1]));
    EXPECT_EQ(table().findEntry(before[0]), nullptr);

    // Re-plugged, the unit gets a new address; it takes the freed first position.
    platform->plug("001-1:005", vendor, hr2000Plus);
    const auto after = listUSBDeviceIds(vendor, hr2000Plus);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_GT(after[0], before[1]);
    EXPECT_EQ(after[1], before[1]);
}

TEST_F(USBDeviceTableTest, ProbingOnePairLeavesEntriesOfOthersAlone) {
    platform->plug("001-1:002", vendor, hr2000Plus);
    platform->plug("001-2:003", vendor, maya);
    const auto hrIds = listUSBDeviceIds(vendor, hr2000Plus);
    const auto mayaIds = listUSBDeviceIds(vendor, maya);
    ASSERT_EQ(mayaIds.size(), 1u);

    platform->unplug("001-2:003");
    EXPECT_EQ(probeUSBDevices(vendor, hr2000Plus), 1);
    EXPECT_NE(table().findEntry(mayaIds[0]), nullptr);
    EXPECT_EQ(table().entryCount(), 2);

    EXPECT_EQ(probeUSBDevices(vendor, maya), 0);
    EXPECT_EQ(table().findEntry(mayaIds[0]), nullptr);
    EXPECT_EQ(listUSBDeviceIds(vendor, hr2000Plus), hrIds);
}

TEST_F(USBDeviceTableTest, FullTableRefusesANewUnitAndChangesNoEntry) {
    for (int i = 0; i < USBDeviceTable::capacity; ++i)
        platform->plug("001-" + std::to_string(100 + i) + ":001", vendor, hr2000Plus);
    const auto full = listUSBDeviceIds(vendor, hr2000Plus);
    ASSERT_EQ(full.size(), 127u);

    platform->plug("002-1:001", vendor, hr2000Plus);
    EXPECT_EQ(probeUSBDevices(vendor, hr2000Plus), -1);
    EXPECT_THAT(listUSBDeviceIds(vendor, hr2000Plus), IsEmpty());
    EXPECT_EQ(table().entryCount(), 127);
    for (std::int32_t id : full) EXPECT_NE(table().findEntry(id), nullptr);

    // The refused probe must not leave its seen marks behind: a unit unplugged afterwards
    // disappears at the next probe.
    platform->unplug("002-1:001");
    platform->unplug("001-104:001");
    EXPECT_EQ(probeUSBDevices(vendor, hr2000Plus), 126);
    EXPECT_EQ(table().findEntry(full[4]), nullptr);
}

TEST_F(USBDeviceTableTest, OpenSucceedsOnceAndRefusesUnknownAndOpenEntries) {
    auto unit = platform->plug("001-1:002", vendor, hr2000Plus);
    const auto ids = listUSBDeviceIds(vendor, hr2000Plus);
    ASSERT_EQ(ids.size(), 1u);

    int error = 99;
    auto handle = openUSBDevice(ids[0], error).lock();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(handle->deviceID, ids[0]);
    EXPECT_EQ(table().findEntry(ids[0])->openHandle, handle);

    error = 99;
    EXPECT_TRUE(openUSBDevice(ids[0], error).expired());
    EXPECT_EQ(error, -1);
    error = 99;
    EXPECT_TRUE(openUSBDevice(ids[0] + 1000, error).expired());
    EXPECT_EQ(error, -1);
    EXPECT_EQ(unit->liveConnections, 1);
}

TEST_F(USBDeviceTableTest, OpenFailsForAUnitThatCannotBeOpenedOrNowReportsAnotherProduct) {
    auto refusing = platform->plug("001-1:002", vendor, hr2000Plus);
    refusing->openable = false;
    auto changed = platform->plug("001-2:003", vendor, hr2000Plus);
    changed->vendorWhenOpened = 0x1234;
    auto other = platform->plug("001-3:004", vendor, hr2000Plus);
    other->productWhenOpened = maya;
    const auto ids = listUSBDeviceIds(vendor, hr2000Plus);
    ASSERT_EQ(ids.size(), 3u);

    for (std::int32_t id : ids) {
        int error = 0;
        EXPECT_TRUE(openUSBDevice(id, error).expired()) << id;
        EXPECT_EQ(error, -1);
        EXPECT_EQ(table().findEntry(id)->openHandle, nullptr);
    }
    EXPECT_EQ(changed->liveConnections, 0);
    EXPECT_EQ(other->liveConnections, 0);
}

TEST_F(USBDeviceTableTest, ProbeOfAnUnpluggedOpenUnitReleasesItsConnection) {
    auto unit = platform->plug("001-1:002", vendor, hr2000Plus);
    const auto ids = listUSBDeviceIds(vendor, hr2000Plus);
    int error = -1;
    std::weak_ptr<USBDeviceHandle> handle = openUSBDevice(ids[0], error);
    ASSERT_EQ(unit->liveConnections, 1);

    platform->unplug("001-1:002");
    EXPECT_EQ(probeUSBDevices(vendor, hr2000Plus), 0);
    EXPECT_EQ(unit->liveConnections, 0);
    EXPECT_TRUE(handle.expired());
}

}  // namespace
}  // namespace spectro::test
