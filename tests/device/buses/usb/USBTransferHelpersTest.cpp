#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <string>

#include "device/buses/usb/USBTransferHelpers.h"
#include "device/common/Exceptions.h"
#include "device/support/ScriptedUsbFixture.h"

namespace spectro::test {
namespace {

using ::testing::ElementsAre;

class USBTransferHelpersTest : public ScriptedUsbFixture {
  protected:
    void SetUp() override {
        ScriptedUsbFixture::SetUp();
        unit = platform->plug("001-1:002", 0x2457, 0x1012);
        usb = std::make_unique<USB>(
            static_cast<std::uint32_t>(listUSBDeviceIds(0x2457, 0x1012).at(0)));
        ASSERT_TRUE(usb->open());
    }

    std::shared_ptr<ScriptedUsbUnit> unit;
    std::unique_ptr<USB> usb;
};

std::string failureOf(const std::function<void()>& transfer) {
    try {
        transfer();
    } catch (const BusTransferException& e) {
        return e.what();
    }
    return "no exception";
}

TEST_F(USBTransferHelpersTest, ShortTransfersAreReturnedAndEmptyOrFailedOnesThrow) {
    USBControlTransferHelper helper(usb.get(), USBFPGAEndpointMap());
    std::vector<std::uint8_t> buffer(17, 0xEE);

    unit->reply(0x81, {0x05, 0x00, 0x41});
    EXPECT_EQ(helper.receive(buffer, 17), 3);
    EXPECT_EQ(helper.receive(buffer, 0), 0);  // nothing asked: no transfer at all

    unit->reply(0x81, {});
    EXPECT_EQ(failureOf([&] { helper.receive(buffer, 17); }), "Failed to read any data from USB.");
    EXPECT_EQ(failureOf([&] { helper.receive(buffer, 17); }),
              "Failed to read any data from USB.");  // -1

    unit->writeResults = {2, 0, -1};
    EXPECT_EQ(helper.send(buffer, 4), 2);
    EXPECT_EQ(failureOf([&] { helper.send(buffer, 4); }), "Failed to write any data to USB.");
    EXPECT_EQ(failureOf([&] { helper.send(buffer, 4); }), "Failed to write any data to USB.");
    EXPECT_THAT(
        unit->describeEvents(),
        ElementsAre("read 0x81 17", "read 0x81 17", "read 0x81 17", "write 0x01 05 00 41 EE",
                    "write 0x01 05 00 41 EE", "write 0x01 05 00 41 EE"));
}

class FourKHelperTest : public USBTransferHelpersTest {
  protected:
    // Queues a 2048-byte first block (values 0, 1, 2, ...) and a remainder (values from 2048 on).
    void queueSpectrum(std::size_t remainder) {
        std::vector<std::uint8_t> first(2048);
        std::iota(first.begin(), first.end(), std::uint8_t{0});
        unit->reply(0x86, first);
        if (remainder == 0) return;
        std::vector<std::uint8_t> rest(remainder);
        std::iota(rest.begin(), rest.end(), static_cast<std::uint8_t>(2048 & 0xFF));
        unit->reply(0x82, rest);
    }
    static std::vector<std::uint8_t> counting(std::size_t length) {
        std::vector<std::uint8_t> bytes(length);
        std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
        return bytes;
    }
};

TEST_F(FourKHelperTest, DeliversTheFirstBlockFromTheSecondEndpointAndTheRestFromTheFirst) {
    USB4KSpectrumTransferHelper helper(usb.get(), USBFPGAEndpointMap());
    queueSpectrum(5633);
    std::vector<std::uint8_t> buffer(7681);
    EXPECT_EQ(helper.receive(buffer, 7681), 7681);
    EXPECT_EQ(buffer, counting(7681));
    EXPECT_THAT(unit->describeEvents(), ElementsAre("read 0x86 2048", "read 0x82 5633"));

    std::vector<std::uint8_t> command = {0x09};
    EXPECT_EQ(helper.send(command, 1), 1);
    EXPECT_EQ(unit->describeEvents().back(), "write 0x01 09");
}

TEST_F(FourKHelperTest, NeverCopiesPastTheCallersBufferOrItsOwnBlocks) {
    struct Case {
        std::uint32_t length;
        std::size_t bufferSize;
        std::int32_t delivered;
    };
    // The buffers are exact-size copies, so any copy past an end is caught by the sanitizer.
    const Case cases[] = {
        {7681, 3000, 3000},  // caller's buffer shorter than the length asked
        {7681, 1000, 1000},  // shorter than the first block
        {100, 7681, 100},    // a length below the first block: one read only
        {4096, 4096, 4096},  // the second block shrinks in need but never in size
        {7681, 7681, 7681},
    };
    USB4KSpectrumTransferHelper helper(usb.get(), USBFPGAEndpointMap());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const std::size_t remainder = c.length > 2048 ? c.length - 2048 : 0;
        queueSpectrum(remainder);
        std::vector<std::uint8_t> buffer(c.bufferSize, 0xEE);
        EXPECT_EQ(helper.receive(buffer, c.length), c.delivered);
        std::vector<std::uint8_t> expected = counting(static_cast<std::size_t>(c.delivered));
        expected.resize(c.bufferSize, 0xEE);
        EXPECT_EQ(buffer, expected);
    }
    EXPECT_EQ(unit->describeEvents()[4], "read 0x86 2048");  // third case: no read on 0x82
    EXPECT_EQ(unit->describeEvents()[5], "read 0x86 2048");
}

TEST_F(FourKHelperTest, FailedBlockThrowsInsteadOfHandingOnOldBytes) {
    USB4KSpectrumTransferHelper helper(usb.get(), USBFPGAEndpointMap());
    std::vector<std::uint8_t> buffer(7681);
    EXPECT_EQ(failureOf([&] { helper.receive(buffer, 7681); }),
              "Failed to read any data from USB.");
    queueSpectrum(0);  // the first block arrives, the rest does not
    EXPECT_EQ(failureOf([&] { helper.receive(buffer, 7681); }),
              "Failed to read any data from USB.");
}

TEST_F(FourKHelperTest, ShortBlocksCountOnlyTheBytesThatArrived) {
    // The buffer is reused from frame to frame; bytes a short block did not deliver must not
    // be counted as this frame's.
    USB4KSpectrumTransferHelper helper(usb.get(), USBFPGAEndpointMap());
    std::vector<std::uint8_t> buffer(7681);
    queueSpectrum(5633);
    ASSERT_EQ(helper.receive(buffer, 7681), 7681);

    unit->reply(0x86, counting(2048));
    unit->reply(0x82, std::vector<std::uint8_t>(100, 7));
    EXPECT_EQ(helper.receive(buffer, 7681), 2148);

    // A short first block leaves a gap before the second one: only the first block counts.
    unit->reply(0x86, counting(1000));
    unit->reply(0x82, std::vector<std::uint8_t>(5633, 7));
    EXPECT_EQ(helper.receive(buffer, 7681), 1000);
}

TEST_F(USBTransferHelpersTest, BlazePadsOddLengthsToMultiplesOfFour) {
    BlazeUSBTransferHelper helper(usb.get(), USBSimpleDualEndpointMap());
    std::vector<std::uint8_t> message = {1, 2, 3, 4, 5, 6, 7, 8};

    EXPECT_EQ(helper.send(message, 6), 8);  // the count includes the padding
    EXPECT_EQ(helper.send(message, 8), 8);
    EXPECT_EQ(unit->describeEvents()[0], "write 0x01 01 02 03 04 05 06 00 00");
    EXPECT_EQ(unit->describeEvents()[1], "write 0x01 01 02 03 04 05 06 07 08");

    std::vector<std::uint8_t> buffer(6, 0xEE);
    unit->reply(0x81, {9, 8, 7, 6, 5, 4, 3, 2});
    EXPECT_EQ(helper.receive(buffer, 6), 6);
    EXPECT_THAT(buffer, ElementsAre(9, 8, 7, 6, 5, 4));
    EXPECT_EQ(unit->describeEvents()[2], "read 0x81 8");

    unit->reply(0x81, {9, 8, 7, 6});
    EXPECT_EQ(failureOf([&] { helper.receive(buffer, 6); }),
              "Failed to read padded message length: 4 != 8");
    EXPECT_EQ(failureOf([&] { helper.receive(buffer, 6); }), "Failed to read any data from USB.");
    unit->writeResults = {-1};
    EXPECT_EQ(failureOf([&] { helper.send(message, 5); }), "Failed to write any data to USB.");
    EXPECT_EQ(unit->describeEvents().back(), "write 0x01 01 02 03 04 05 00 00 00");
}

TEST_F(USBTransferHelpersTest, BlazeLengthsNearTheTopNeverWrapOrPassTheBuffer) {
    // Rounded up in 32 bits, 0xFFFFFFFE would become 0; the helper pads what the buffer holds.
    BlazeUSBTransferHelper helper(usb.get(), USBSimpleDualEndpointMap());
    const std::vector<std::uint8_t> message = {1, 2, 3, 4, 5};
    EXPECT_EQ(helper.send(message, 0xFFFFFFFEu), 8);
    EXPECT_EQ(unit->describeEvents().back(), "write 0x01 01 02 03 04 05 00 00 00");

    std::vector<std::uint8_t> buffer(5, 0xEE);
    unit->reply(0x81, {9, 8, 7, 6, 5, 4, 3, 2});
    EXPECT_EQ(helper.receive(buffer, 0xFFFFFFFDu), 5);
    EXPECT_THAT(buffer, ElementsAre(9, 8, 7, 6, 5));
    EXPECT_EQ(unit->describeEvents().back(), "read 0x81 8");
}

}  // namespace
}  // namespace spectro::test
