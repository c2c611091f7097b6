#include <gtest/gtest.h>

#include "device/common/Exceptions.h"
#include "device/protocols/fbp/FBPCatalogue.h"
#include "device/protocols/fbp/FBPWire.h"

namespace spectro::test {
namespace {

using namespace framedBinaryProtocol;
using namespace fbp;

constexpr std::uint32_t TYPE = 0x00400002;

// A query and a command of the same type, so that one reply can be put to both engines.
class Query : public FBPQuery {
  public:
    Query() : FBPQuery(TYPE, 1) {}
};
class Command : public FBPCommand {
  public:
    Command() : FBPCommand(TYPE, 1) {}
};

// The lengths of the receives a helper was asked for, in order.
std::vector<std::uint32_t> receiveLengths(const ScriptedTransferHelper& helper) {
    std::vector<std::uint32_t> lengths;
    for (const Operation& op : helper.operations())
        if (op.kind == Operation::RECEIVE) lengths.push_back(op.length);
    return lengths;
}

TEST(FBPTransaction, TheTwoTypicalRequestsOnTheWire) {
    ScriptedTransferHelper helper;
    helper.reply(fbp::message(0x00000100, ACK, textBytes("S05432")));
    FBPGetSerialNumberExchange serialNumber;
    serialNumber.queryDevice(helper);
    helper.reply(fbp::message(0x00110610, ACK));
    FBPShutterExchange shutter;  // opens by default: one data byte 0x01
    EXPECT_TRUE(shutter.sendCommandToDevice(helper));

    const Bytes query = {0xC1, 0xC0, 0x00, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00,
                         0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                         0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                         0x00, 0x00, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                         0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                         0xC5, 0xC4, 0xC3, 0xC2};
    Bytes command = query;
    command[4] = 0x04;
    command[8] = 0x10;
    command[9] = 0x06;
    command[10] = 0x11;
    command[23] = 0x01;
    command[24] = 0x01;
    ASSERT_EQ(helper.sent().size(), 2u);
    EXPECT_EQ(helper.sent()[0], query);
    EXPECT_EQ(helper.sent()[1], command);
}

TEST(FBPTransaction, AQueryReturnsTheDataOfTheReplyWhereverItTravels) {
    struct Case {
        const char* name;
        Bytes reply;
        Bytes data;
        std::vector<std::uint32_t> receives;
    };
    const Case cases[] = {
        {"immediate", fbp::message(TYPE, ACK, counting(16)), counting(16), {64}},
        {"payload", fbp::message(TYPE, ACK, {}, counting(17)), counting(17), {64, 17}},
        {"flags 0", fbp::message(TYPE, 0, Bytes{5}), Bytes{5}, {64}},
        {"no data", fbp::message(TYPE, ACK), Bytes{}, {64}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedTransferHelper helper;
        helper.reply(Bytes(c.reply.begin(), c.reply.begin() + 64));
        if (c.reply.size() > 64) helper.reply(Bytes(c.reply.begin() + 64, c.reply.end()));
        Query query;
        const std::optional<Bytes> data = query.queryDevice(helper);
        ASSERT_TRUE(data.has_value());  // empty, not none, for a reply without data
        EXPECT_EQ(*data, c.data);
        EXPECT_EQ(receiveLengths(helper), c.receives);
        // The request asks for no acknowledgement.
        EXPECT_EQ(helper.sent().at(0)[4], 0x00);
    }
}

TEST(FBPTransaction, UnreadableRefusedOrForeignRepliesAreNoneAndFalse) {
    struct Case {
        const char* name;
        Bytes reply;
    };
    Bytes badHeader = fbp::message(TYPE, ACK);
    badHeader[0] = 0xC0;
    Bytes badRemaining = fbp::message(TYPE, ACK);
    putU32(badRemaining, 40, 12);
    Bytes immediate17 = fbp::message(TYPE, ACK, counting(16));
    immediate17[23] = 17;
    const Bytes full = fbp::message(TYPE, ACK);
    const Case cases[] = {
        {"wrong header", badHeader},
        {"bytes remaining below 20", badRemaining},
        {"immediate data length 17", immediate17},
        {"half a header", Bytes(full.begin(), full.begin() + 30)},
        {"NACK", fbp::message(TYPE, ACK | NACK, {}, counting(40))},
        {"other type", fbp::message(TYPE + 1, ACK, {}, counting(40))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedTransferHelper helper;
        helper.reply(Bytes(c.reply.begin(), c.reply.begin() + std::min<std::size_t>(64, c.reply.size())));
        helper.reply(fbp::message(TYPE, ACK));  // never read: the rest of a refused reply stays
        Query query;
        EXPECT_EQ(query.queryDevice(helper), std::nullopt);
        EXPECT_EQ(receiveLengths(helper), std::vector<std::uint32_t>{64});

        ScriptedTransferHelper commandHelper;
        commandHelper.reply(Bytes(c.reply.begin(), c.reply.begin() + std::min<std::size_t>(64, c.reply.size())));
        Command command;
        EXPECT_FALSE(command.sendCommandToDevice(commandHelper));
    }
}

TEST(FBPTransaction, ACommandNeedsAnAcknowledgementAndReadsOnlyTheHeader) {
    ScriptedTransferHelper helper;
    // A long reply still costs one 64-byte read.
    helper.reply(fbp::message(TYPE, ACK, {}, counting(100)));
    Command command;
    command.setPayload(Bytes{3});
    EXPECT_TRUE(command.sendCommandToDevice(helper));
    EXPECT_EQ(receiveLengths(helper), std::vector<std::uint32_t>{64});
    EXPECT_EQ(helper.sent().at(0), fbp::message(TYPE, 0x0004, Bytes{3}));

    // Of the right type but neither acknowledged nor refused.
    helper.reply(fbp::message(TYPE, 0));
    EXPECT_EQ(protocolMessageOf([&] { command.sendCommandToDevice(helper); }), "Illegal device response");
}

TEST(FBPTransaction, AWholeReplyThatCannotBeParsedThrows) {
    struct Case {
        const char* name;
        std::vector<Bytes> reads;  // what each receive delivers
        std::vector<std::uint32_t> receives;
    };
    Bytes badFooter = fbp::message(TYPE, ACK, {}, counting(4));
    badFooter[67] = 0x00;
    const Bytes withPayload = fbp::message(TYPE, ACK, {}, counting(40));
    const Bytes plain = fbp::message(TYPE, ACK, Bytes{1});
    Bytes huge = fbp::message(TYPE, ACK);
    putU32(huge, 40, 20 + 1024 * 1024 + 1);
    Bytes largest = fbp::message(TYPE, ACK);
    putU32(largest, 40, 20 + 1024 * 1024);
    const Case cases[] = {
        {"bytes remaining 24 and a wrong footer",
         {Bytes(badFooter.begin(), badFooter.begin() + 64), Bytes(badFooter.begin() + 64, badFooter.end())},
         {64, 4}},
        // The rest arrives short: the reply claims more bytes than were received.
        {"short rest",
         {Bytes(withPayload.begin(), withPayload.begin() + 64),
          Bytes(withPayload.begin() + 64, withPayload.end() - 1)},
         {64, 40}},
        // A short first read: the zero-filled tail of the buffer is not taken for the footer,
        // and no rest is read into the wrong place.
        {"short header without payload", {Bytes(plain.begin(), plain.begin() + 50)}, {64}},
        {"short header with payload", {Bytes(withPayload.begin(), withPayload.begin() + 50)}, {64}},
        // A rest above 1 MiB is refused before it is read or allocated.
        {"rest above 1 MiB", {huge}, {64}},
        {"rest of 1 MiB that does not arrive", {largest, Bytes{}}, {64, 1024 * 1024}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedTransferHelper helper;
        for (const Bytes& read : c.reads) helper.reply(read);
        Query query;
        EXPECT_EQ(protocolMessageOf([&] { query.queryDevice(helper); }), "Failed to parse extended message");
        EXPECT_EQ(receiveLengths(helper), c.receives);
    }
}

TEST(FBPTransaction, BusFailuresBecomeProtocolFailures) {
    struct Case {
        bool command;
        std::size_t failingOperation;  // 0 the send, 1 the header, 2 the rest
        const char* message;
    };
    const Bytes reply = fbp::message(TYPE, ACK, {}, counting(20));
    const Case cases[] = {{false, 0, "Failed to write to bus."}, {false, 1, "Failed to read from bus."},
                          {false, 2, "Failed to read from bus."}, {true, 0, "Failed to write to bus."},
                          {true, 1, "Failed to read from bus."}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failingOperation);
        ScriptedTransferHelper helper;
        helper.reply(Bytes(reply.begin(), reply.begin() + 64));
        helper.reply(Bytes(reply.begin() + 64, reply.end()));
        helper.failAt(c.failingOperation);
        EXPECT_EQ(protocolMessageOf([&] {
                      if (c.command) Command().sendCommandToDevice(helper);
                      else Query().queryDevice(helper);
                  }),
                  c.message);
    }
}

TEST(FBPTransaction, EveryRequestCarriesOneControlHint) {
    Query query;
    ASSERT_EQ(query.getHints().size(), 1u);
    EXPECT_EQ(query.getHints()[0]->getHintID(), 1000);
    EXPECT_EQ(query.getHints()[0]->getDescription(), "Control transfer");
    EXPECT_NE(dynamic_cast<const FBPControlHint*>(query.getHints()[0]), nullptr);
}

}  // namespace
}  // namespace spectro::test
