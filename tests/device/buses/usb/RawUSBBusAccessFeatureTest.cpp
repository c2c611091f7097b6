#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "device/buses/usb/RawUSBBusAccessFeature.h"
#include "device/buses/usb/USBBusModels.h"
#include "device/common/Exceptions.h"
#include "device/common/Protocol.h"
#include "device/support/ScriptedUsbFixture.h"

namespace spectro::test {
namespace {

using ::testing::ElementsAre;

class RawUSBBusAccessFeatureTest : public OpenedHR2000PlusFixture {
  protected:
    RawUSBBusAccessFeature feature;
    legacyProtocol::LegacyProtocol protocol;
};

std::string failureOf(const std::function<void()>& transfer) {
    try {
        transfer();
    } catch (const FeatureControlException& e) {
        return e.what();
    }
    return "no exception";
}

TEST_F(RawUSBBusAccessFeatureTest, MovesBytesOnTheNamedPipe) {
    EXPECT_EQ(feature.writeUSB(protocol, bus, 0x01, {0x6C}), 1);
    unit->reply(0x81, {0x08, 0x40});
    EXPECT_THAT(feature.readUSB(protocol, bus, 0x81, 3),
                ElementsAre(0x08, 0x40, 0x00));  // short: zero-filled
    EXPECT_THAT(unit->describeEvents(), ElementsAre("write 0x01 6C", "read 0x81 3"));
    EXPECT_TRUE(feature.getFeatureFamily().equals(api::RawUSBBusAccessFeatureFamily()));
}

TEST_F(RawUSBBusAccessFeatureTest, TransfersThatMoveNothingAreWrapped) {
    const std::string readFailure =
        "Caught BusTransferException in readUSB: Failed to read any data from USB.";
    const std::string writeFailure =
        "Caught BusTransferException in writeUSB: Failed to write any data to USB.";
    unit->reply(0x81, {});
    EXPECT_EQ(failureOf([&] { feature.readUSB(protocol, bus, 0x81, 3); }), readFailure);
    unit->writeResults = {0};
    EXPECT_EQ(failureOf([&] { feature.writeUSB(protocol, bus, 0x01, {0x6C}); }), writeFailure);
    EXPECT_EQ(feature.writeUSB(protocol, bus, 0x01, {}), 0);  // nothing to write is no failure

    bus.close();
    EXPECT_EQ(failureOf([&] { feature.readUSB(protocol, bus, 0x81, 3); }), readFailure);

    HR2000PlusUSB unlocated;  // no USB object at all
    EXPECT_EQ(failureOf([&] { feature.writeUSB(protocol, unlocated, 0x01, {0x6C}); }),
              writeFailure);
}

}  // namespace
}  // namespace spectro::test
