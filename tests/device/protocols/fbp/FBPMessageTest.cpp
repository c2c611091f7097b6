#include <gtest/gtest.h>

#include "device/common/Exceptions.h"
#include "device/protocols/fbp/FBPMessage.h"
#include "device/support/MessageOf.h"
#include "device/protocols/fbp/FBPWire.h"

namespace spectro::test {
namespace {

using framedBinaryProtocol::FBPMessage;
using namespace fbp;

TEST(FBPMessage, DataUpToSixteenBytesTravelsInTheHeaderLongerDataInThePayload) {
    struct Case {
        std::size_t dataLength;
        std::size_t wireLength;
        std::uint8_t immediateLength;
        std::uint32_t bytesRemaining;
    };
    for (const Case& c : {Case{0, 64, 0, 20}, Case{1, 64, 1, 20}, Case{16, 64, 16, 20},
                          Case{17, 81, 0, 37}, Case{100, 164, 0, 120}}) {
        SCOPED_TRACE(c.dataLength);
        const Bytes data = counting(c.dataLength);
        FBPMessage message;
        message.setMessageType(0x00182011);
        message.setData(data);
        const Bytes wire = message.toByteVector();
        ASSERT_EQ(wire.size(), c.wireLength);
        EXPECT_EQ(wire[23], c.immediateLength);
        EXPECT_EQ(getU32(wire, 40), c.bytesRemaining);
        EXPECT_EQ(message.getBytesRemaining(), c.bytesRemaining);
        // Every other byte is as written out by hand: zero where unused, the footer at the end.
        const bool inHeader = c.dataLength <= 16;
        EXPECT_EQ(wire, fbp::message(0x00182011, 0, inHeader ? data : Bytes{}, inHeader ? Bytes{} : data));
    }
}

TEST(FBPMessage, ImmediateDataAndPayloadReplaceEachOther) {
    FBPMessage message;
    message.setPayload(counting(20));
    message.setImmediateData(Bytes{7, 8});
    EXPECT_FALSE(message.getPayload().has_value());
    EXPECT_EQ(message.getBytesRemaining(), 20u);
    EXPECT_EQ(message.toByteVector().size(), 64u);

    message.setPayload(counting(3));
    EXPECT_EQ(message.getImmediateDataLength(), 0);
    EXPECT_EQ(message.getBytesRemaining(), 23u);
    EXPECT_EQ(dataOf(message.toByteVector()), counting(3));

    // An empty payload leaves the immediate data alone.
    message.setImmediateData(Bytes{9});
    message.setPayload(Bytes{});
    EXPECT_EQ(message.getImmediateDataLength(), 1);
    EXPECT_EQ(message.getBytesRemaining(), 20u);

    // More than 16 bytes set as immediate data: only 16 go on the wire.
    message.setImmediateData(counting(20));
    EXPECT_EQ(message.getImmediateDataLength(), 16);
    EXPECT_EQ(message.toByteVector(), fbp::message(0, 0, counting(16)));
}

TEST(FBPMessage, ParsingReadsEveryFieldAndTakesTheDataFromWhereItIs) {
    Bytes wire = fbp::message(0x00400002, ACK, {}, counting(24));
    putU16(wire, 2, 0x1000);  // an older protocol version is accepted
    putU16(wire, 6, 0x0305);
    putU32(wire, 12, 0x01020304);
    wire[22] = 9;
    for (std::size_t i = 0; i < 16; ++i) wire[68 + i] = 0xEE;  // checksum: never compared

    const FBPMessage parsed = FBPMessage::parseByteStream(wire);
    EXPECT_EQ(parsed.getProtocolVersion(), 0x1000);
    EXPECT_EQ(parsed.getFlags(), ACK);
    EXPECT_EQ(parsed.getErrorNumber(), 0x0305);
    EXPECT_EQ(parsed.getMessageType(), 0x00400002u);
    EXPECT_EQ(parsed.getRegarding(), 0x01020304u);
    EXPECT_EQ(parsed.getChecksumType(), 9);
    EXPECT_EQ(parsed.getBytesRemaining(), 44u);
    EXPECT_EQ(parsed.getChecksum(), Bytes(16, 0xEE));
    EXPECT_EQ(parsed.getData(), counting(24));

    EXPECT_EQ(FBPMessage::parseByteStream(fbp::message(1, 0, counting(5))).getData(), counting(5));
    // Immediate data wins when a message carries both.
    Bytes both = fbp::message(1, 0, {}, counting(4, 50));
    both[23] = 2;
    both[24] = 0xAA;
    both[25] = 0xBB;
    EXPECT_EQ(FBPMessage::parseByteStream(both).getData(), (Bytes{0xAA, 0xBB}));
    EXPECT_EQ(FBPMessage::parseByteStream(fbp::message(1, 0)).getData(), Bytes{});
}

TEST(FBPMessage, UnreadableMessagesAreRefusedWithoutReadingPastTheirBytes) {
    struct Case {
        const char* name;
        Bytes bytes;
        const char* headerError;  // from parseHeaderFromBytes; none when the header is fine
        const char* streamError;  // from parseByteStream
    };
    Bytes badHeader = fbp::message(1, 0);
    badHeader[1] = 0xC1;
    Bytes noData = fbp::message(1, 0);
    noData[0] = 0x00;
    Bytes remaining19 = fbp::message(1, 0);
    putU32(remaining19, 40, 19);
    Bytes immediate17 = fbp::message(1, 0);
    immediate17[23] = 17;
    Bytes badFooter = fbp::message(1, 0, {}, counting(4));
    badFooter[64 + 3] = 0xC3;
    Bytes claimsMore = fbp::message(1, 0, {}, counting(4));
    putU32(claimsMore, 40, 25);
    Bytes huge = fbp::message(1, 0);
    putU32(huge, 40, 0xFFFFFFFF);
    const Bytes complete = fbp::message(1, 0, {}, counting(30));
    const Case cases[] = {
        {"wrong header", badHeader, "Could not find message header", "Could not find message header"},
        {"zero first byte", noData, "Could not find message header", "Could not find message header"},
        {"nothing", Bytes{}, "Could not find message header", "Could not find message header"},
        {"bytes remaining 19", remaining19, "Invalid bytes remaining field", "Invalid bytes remaining field"},
        {"immediate length 17", immediate17, "Invalid immediate data length field",
         "Invalid immediate data length field"},
        {"half a header", Bytes(complete.begin(), complete.begin() + 43), "Message header is incomplete",
         "Message header is incomplete"},
        {"wrong footer", badFooter, nullptr, "Could not find message footer"},
        {"claims one byte more", claimsMore, nullptr, "Message is shorter than its bytes remaining field"},
        {"claims 4 GiB", huge, nullptr, "Message is shorter than its bytes remaining field"},
        {"cut short", Bytes(complete.begin(), complete.end() - 1), nullptr,
         "Message is shorter than its bytes remaining field"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Exact-size copies, so that a sanitizer sees any read past the end.
        const Bytes bytes = c.bytes;
        if (c.headerError == nullptr) {
            EXPECT_NO_THROW(FBPMessage::parseHeaderFromBytes(bytes));
        } else {
            EXPECT_THROW(FBPMessage::parseHeaderFromBytes(bytes), IllegalArgumentException);
            EXPECT_EQ(messageOf([&] { FBPMessage::parseHeaderFromBytes(bytes); }), c.headerError);
        }
        EXPECT_THROW(FBPMessage::parseByteStream(bytes), IllegalArgumentException);
        EXPECT_EQ(messageOf([&] { FBPMessage::parseByteStream(bytes); }), c.streamError);
    }
}

}  // namespace
}  // namespace spectro::test
