#include <gtest/gtest.h>

#include <stdexcept>

#include "device/common/Exceptions.h"
#include "device/protocols/legacy/LegacyCommandExchanges.h"
#include "device/protocols/legacy/SlotAndRegisterExchanges.h"
#include "device/support/MessageOf.h"
#include "device/support/Scripted.h"

namespace spectro::test {
namespace {

using namespace legacyProtocol;

// Runs a command exchange and returns what it sent.
std::vector<Bytes> sentBy(Exchange& exchange) {
    ScriptedTransferHelper helper;
    exchange.transfer(helper);
    return helper.sent();
}

int firstHintOf(const Exchange& exchange) { return exchange.getHints().front()->getHintID(); }

TEST(LegacyCommandExchanges, IntegrationTimeCountsInTheModelsUnit) {
    struct Case {
        std::uint32_t base, micros;
        Bytes sent;
    };
    const Case cases[] = {
        {1, 10000, {0x02, 0x10, 0x27, 0x00, 0x00}},     // 10 ms in microseconds
        {1000, 10000, {0x02, 0x0A, 0x00, 0x00, 0x00}},  // 10 ms in milliseconds
        {1000, 1500, {0x02, 0x01, 0x00, 0x00, 0x00}},   // the remainder is dropped
        {1, 655350000, {0x02, 0xF0, 0xD8, 0x0F, 0x27}},
    };
    for (const Case& c : cases) {
        IntegrationTimeExchange exchange(c.base);
        exchange.setIntegrationTimeMicros(c.micros);
        EXPECT_EQ(sentBy(exchange), std::vector<Bytes>{c.sent}) << c.base << " " << c.micros;
    }
    // Until set, the unit is told 100000 of its units.
    IntegrationTimeExchange fresh(1);
    EXPECT_EQ(sentBy(fresh), std::vector<Bytes>{(Bytes{0x02, 0xA0, 0x86, 0x01, 0x00})});
}

TEST(LegacyCommandExchanges, SettingsAreWrittenWhenTheExchangeRuns) {
    TriggerModeExchange trigger;
    trigger.setTriggerMode(3);
    StrobeEnableExchange strobe;
    strobe.setStrobeEnable(true);
    TECQEEnableExchange cooler;
    cooler.setEnable(true);
    WriteTECQESetPointExchange setPoint;
    setPoint.setSetPointCelsius(-5.55);
    EXPECT_EQ(setPoint.getSetPointTenths(), -55);
    RequestSpectrumExchange request;

    EXPECT_EQ(sentBy(trigger), std::vector<Bytes>{(Bytes{0x0A, 0x03, 0x00})});
    EXPECT_EQ(sentBy(strobe), std::vector<Bytes>{(Bytes{0x03, 0x01, 0x00})});
    EXPECT_EQ(sentBy(cooler), std::vector<Bytes>{(Bytes{0x71, 0x01, 0x00})});
    EXPECT_EQ(sentBy(setPoint), std::vector<Bytes>{(Bytes{0x73, 0xC9, 0xFF})});
    EXPECT_EQ(sentBy(request), std::vector<Bytes>{(Bytes{0x09})});

    // The request alone goes out on the spectrum hint.
    EXPECT_EQ(firstHintOf(request), 1001);
    for (const Exchange* exchange : std::initializer_list<const Exchange*>{&trigger, &strobe, &cooler, &setPoint})
        EXPECT_EQ(firstHintOf(*exchange), 1000);

    strobe.setStrobeEnable(false);
    EXPECT_EQ(sentBy(strobe), std::vector<Bytes>{(Bytes{0x03, 0x00, 0x00})});
}

TEST(LegacyCommandExchanges, SetPointsBeyondThirtyTwoBitsStayDefined) {
    WriteTECQESetPointExchange setPoint;
    setPoint.setSetPointCelsius(1e300);
    EXPECT_EQ(setPoint.getSetPointTenths(), 2147483647);
    setPoint.setSetPointCelsius(-1e300);
    EXPECT_EQ(setPoint.getSetPointTenths(), -2147483647 - 1);
    setPoint.setSetPointCelsius(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(setPoint.getSetPointTenths(), 0);
}

TEST(LegacyCommandExchanges, CoolerTemperatureIsSignedTenths) {
    ReadTECQETemperatureExchange exchange;
    ScriptedTransferHelper helper;
    helper.reply({0xF6, 0xFF});
    auto result = exchange.transfer(helper);
    auto* temperature = dynamic_cast<DoubleVector*>(result.get());
    ASSERT_NE(temperature, nullptr);
    EXPECT_EQ(temperature->getValues(), std::vector<double>{-1.0});
    EXPECT_EQ(helper.sent(), std::vector<Bytes>{(Bytes{0x72})});

    // One byte is no temperature: the other would be left over from an earlier reply.
    helper.reply({0x10});
    EXPECT_EQ(messageOf([&] { exchange.transfer(helper); }),
              "Expected Transfer::transfer to produce a non-null result containing raw "
              "temperature data.  Without this data, it is not possible to generate a valid "
              "temperature reading.");
}

TEST(LegacyCommandExchanges, SlotWritesHoldFifteenBytesAtMost) {
    WriteEEPROMSlotExchange write(17, Bytes{1, 2, 3, 4});
    Bytes expected{0x06, 0x11, 1, 2, 3, 4};
    expected.resize(17, 0);
    EXPECT_EQ(sentBy(write), std::vector<Bytes>{expected});

    EXPECT_NO_THROW(WriteEEPROMSlotExchange(1, Bytes(15, 7)));
    try {
        WriteEEPROMSlotExchange(1, Bytes(16, 7));
        ADD_FAILURE() << "sixteen bytes were accepted";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "invalid vector subscript");
    }
}

TEST(LegacyCommandExchanges, IrradianceReadCollectsFourBytesPerValue) {
    LegacyReadIrradCalExchange exchange(2048);
    ASSERT_EQ(exchange.getTransfers().size(), 2u * 137);
    EXPECT_EQ(exchange.getTransfers()[0]->getBuffer(), (Bytes{0x6D, 0x00, 0x00}));
    EXPECT_EQ(exchange.getTransfers()[2]->getBuffer(), (Bytes{0x6D, 0x3C, 0x00}));
    EXPECT_EQ(exchange.getTransfers()[272]->getBuffer(), (Bytes{0x6D, 0xE0, 0x1F}));  // 8160

    ScriptedTransferHelper helper;
    for (int chunk = 0; chunk < 137; ++chunk) {
        Bytes reply(60);
        for (int i = 0; i < 60; ++i) reply[i] = static_cast<std::uint8_t>(chunk * 60 + i);
        helper.reply(reply);
    }
    auto result = exchange.transfer(helper);
    auto* bytes = dynamic_cast<ByteVector*>(result.get());
    ASSERT_NE(bytes, nullptr);
    ASSERT_EQ(bytes->getValues().size(), 8192u);  // the last chunk gives 32 of its 60 bytes
    for (std::size_t i = 0; i < 8192; ++i)
        ASSERT_EQ(bytes->getValues()[i], static_cast<std::uint8_t>(i)) << i;

    // A chunk that comes back short would shift every later value: no result.
    LegacyReadIrradCalExchange small(2);
    helper.reply(Bytes(59, 1));
    EXPECT_EQ(small.transfer(helper), nullptr);
}

TEST(LegacyCommandExchanges, IrradianceReadStopsAtTheEndOfTheMemory) {
    // 65476 bytes at the most: chunks at 0 .. 65460.
    LegacyReadIrradCalExchange exchange(100000);
    EXPECT_EQ(exchange.getTransfers().size(), 2u * 1092);
    EXPECT_EQ(exchange.getTransfers()[2 * 1091]->getBuffer(), (Bytes{0x6D, 0xB4, 0xFF}));
}

TEST(LegacyCommandExchanges, IrradianceWriteFillsChunksOfFifteenValues) {
    LegacyWriteIrradCalExchange exchange(2048);
    std::vector<std::uint32_t> values(16);
    for (std::uint32_t i = 0; i < 16; ++i) values[i] = 0x01020300u + i;
    EXPECT_EQ(exchange.setValues(values), 16u);
    ASSERT_EQ(exchange.getTransfers().size(), 2u);
    const Bytes& first = exchange.getTransfers()[0]->getBuffer();
    const Bytes& second = exchange.getTransfers()[1]->getBuffer();
    ASSERT_EQ(first.size(), 63u);
    ASSERT_EQ(second.size(), 63u);
    EXPECT_EQ(Bytes(first.begin(), first.begin() + 7), (Bytes{0x6E, 0, 0, 1, 2, 3, 0}));
    EXPECT_EQ(Bytes(first.end() - 4, first.end()), (Bytes{1, 2, 3, 14}));
    Bytes expectedSecond{0x6E, 60, 0, 1, 2, 3, 15};
    expectedSecond.resize(63, 0);
    EXPECT_EQ(second, expectedSecond);

    // More values than the unit has pixels: only the first valueCount are placed.
    LegacyWriteIrradCalExchange few(3);
    EXPECT_EQ(few.setValues(values), 3u);
    EXPECT_EQ(few.getTransfers().size(), 1u);
    LegacyWriteIrradCalExchange none(3);
    EXPECT_EQ(none.setValues({}), 0u);
    EXPECT_TRUE(none.getTransfers().empty());
}

}  // namespace
}  // namespace spectro::test
