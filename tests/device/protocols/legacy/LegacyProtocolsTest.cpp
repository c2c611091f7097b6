#include <gtest/gtest.h>

#include <bit>

#include "device/common/Exceptions.h"
#include "device/protocols/SpectrometerTriggerMode.h"
#include "device/protocols/legacy/LegacyFeatureProtocols.h"
#include "device/protocols/legacy/LegacySpectrometerProtocol.h"
#include "device/support/MessageOf.h"
#include "device/support/Scripted.h"

namespace spectro::test {
namespace {

using namespace legacyProtocol;

const char* const MISMATCH = "Failed to find a helper to bridge given protocol and bus.";

// An HR2000+ implementation; `integration` watches the kept integration time exchange.
std::unique_ptr<LegacySpectrometerProtocol> hr2000Plus(IntegrationTimeExchange** integration) {
    auto time = std::make_unique<IntegrationTimeExchange>(1);
    if (integration != nullptr) *integration = time.get();
    return std::make_unique<LegacySpectrometerProtocol>(
        std::move(time), std::make_unique<RequestSpectrumExchange>(),
        std::make_unique<ReadSpectrumExchange>(4097, 2048),
        std::make_unique<HRFPGASpectrumExchange>(4097, 2048),
        std::make_unique<TriggerModeExchange>());
}

TEST(LegacySpectrometerProtocol, RunsItsKeptExchanges) {
    auto protocol = hr2000Plus(nullptr);
    EXPECT_EQ(protocol->getProtocol().getID(), 1000);
    ScriptedBus bus;
    protocol->requestSpectrum(bus);
    protocol->setIntegrationTimeMicros(bus, 10000);
    protocol->setTriggerMode(bus, SpectrometerTriggerMode(1));
    EXPECT_EQ(bus.helper().sent(),
              (std::vector<Bytes>{{0x09}, {0x02, 0x10, 0x27, 0, 0}, {0x0A, 0x01, 0x00}}));

    Bytes frame(4097, 0x20);  // every word 0 once the XOR is taken out
    frame[4096] = 0x69;
    frame[0] = 0x05;
    frame[4095] = 0xDF;
    bus.helper().reply(frame);
    const auto spectrum = protocol->readFormattedSpectrum(bus);
    ASSERT_TRUE(spectrum.has_value());
    ASSERT_EQ(spectrum->size(), 2048u);
    EXPECT_EQ((*spectrum)[0], 0x0005);  // low byte 0x05, high byte 0x20 ^ 0x20
    EXPECT_EQ((*spectrum)[1], 0x0020);
    EXPECT_EQ((*spectrum)[2047], 0xFF20);  // low byte 0x20, high byte 0xDF ^ 0x20

    bus.helper().reply(frame);
    EXPECT_EQ(protocol->readUnformattedSpectrum(bus), frame);
}

TEST(LegacySpectrometerProtocol, NothingIsStoredOrSentWithoutAHelper) {
    IntegrationTimeExchange* integration = nullptr;
    auto protocol = hr2000Plus(&integration);
    auto bus = ScriptedBus::withoutHelpers();
    EXPECT_THROW(protocol->setIntegrationTimeMicros(*bus, 5000), ProtocolBusMismatchException);
    EXPECT_EQ(integration->getIntegrationTime(), 100000u);
    const std::vector<std::function<void()>> calls{
        [&] { protocol->requestSpectrum(*bus); },
        [&] { protocol->readFormattedSpectrum(*bus); },
        [&] { protocol->readUnformattedSpectrum(*bus); },
        [&] { protocol->setTriggerMode(*bus, SpectrometerTriggerMode(0)); },
    };
    for (const auto& call : calls) EXPECT_EQ(messageOf(call), MISMATCH);
}

TEST(LegacyEEPROMProtocol, ReturnsTheFifteenContentBytes) {
    LegacyEEPROMProtocol protocol;
    ScriptedBus bus;
    Bytes reply{0x05, 0x00, 'H', 'R', '+', 'C', '1', '8', '3', '4'};
    reply.resize(17, 0);
    bus.helper().reply(reply);
    const auto contents = protocol.readEEPROMSlot(bus, 0);
    ASSERT_TRUE(contents.has_value());
    EXPECT_EQ(*contents, Bytes(reply.begin() + 2, reply.end()));
    EXPECT_EQ(bus.helper().sent(), std::vector<Bytes>{(Bytes{0x05, 0x00})});

    bus.helper().reply(Bytes(16, 0x31));  // one byte short
    EXPECT_EQ(messageOf([&] { protocol.readEEPROMSlot(bus, 0); }),
              "Expected Transfer::transfer to produce a non-null result containing raw EEPROM "
              "data.  Without this data, it is not possible to generate a valid EEPROM slot "
              "value.");
    EXPECT_EQ(protocol.writeEEPROMSlot(bus, 17, Bytes{1, 2, 3, 4}), 4);
}

TEST(FPGARegisterProtocol, ReadsTheValueLowByteFirst) {
    FPGARegisterProtocol protocol;
    ScriptedBus bus;
    bus.helper().reply({0x6B, 0x34, 0x12});
    EXPECT_EQ(protocol.readRegister(bus, 0x04), 0x1234);
    EXPECT_EQ(bus.helper().sent(), std::vector<Bytes>{(Bytes{0x6B, 0x04})});
    bus.helper().reply({0x6B, 0x34});
    EXPECT_THROW(protocol.readRegister(bus, 0x04), ProtocolException);
    bus.helper().reply({0x6B, 0x34});
    EXPECT_EQ(messageOf([&] { protocol.readRegister(bus, 0x04); }),
              "Expected 3 bytes from FPGARegisterReadExchange");
    protocol.writeRegister(bus, 0x38, 0xABCD);
    EXPECT_EQ(bus.helper().sent().back(), (Bytes{0x6A, 0x38, 0xCD, 0xAB}));
}

TEST(LegacyTECProtocol, CoolerCommands) {
    LegacyTECProtocol protocol;
    ScriptedBus bus;
    protocol.setTECEnable(bus, true);
    protocol.setTECSetPoint(bus, -5.55);
    bus.helper().reply({0xF6, 0xFF});
    EXPECT_EQ(protocol.readTECTemperature(bus), -1.0);
    EXPECT_EQ(bus.helper().sent(),
              (std::vector<Bytes>{{0x71, 0x01, 0x00}, {0x73, 0xC9, 0xFF}, {0x72}}));
    auto noHelpers = ScriptedBus::withoutHelpers();
    EXPECT_EQ(messageOf([&] { protocol.readTECTemperature(*noHelpers); }), MISMATCH);
    EXPECT_EQ(messageOf([&] { protocol.setTECEnable(*noHelpers, false); }), MISMATCH);
}

TEST(LegacyIrradCalProtocol, ValuesAreBigEndianWords) {
    LegacyIrradCalProtocol protocol(2);
    ScriptedBus bus;
    Bytes reply(60, 0xEE);
    const auto one = std::bit_cast<std::uint32_t>(1.5f);
    const auto two = std::bit_cast<std::uint32_t>(-2.25f);
    for (int b = 0; b < 4; ++b) {
        reply[b] = static_cast<std::uint8_t>(one >> (24 - 8 * b));
        reply[4 + b] = static_cast<std::uint8_t>(two >> (24 - 8 * b));
    }
    bus.helper().reply(reply);
    EXPECT_EQ(protocol.readIrradCal(bus), (std::vector<float>{1.5f, -2.25f}));
    EXPECT_EQ(bus.helper().sent(), std::vector<Bytes>{(Bytes{0x6D, 0x00, 0x00})});

    bus.helper().reply(Bytes(30, 0));
    EXPECT_EQ(messageOf([&] { protocol.readIrradCal(bus); }),
              "Expected Transfer::transfer to produce a non-null result containing calibration "
              "data.  Without this data, it is not possible to generate a calibration array.");
}

TEST(LegacyIrradCalProtocol, WritesAtMostItsPixelCountAndPausesAfterEveryChunk) {
    std::vector<std::chrono::milliseconds> pauses;
    LegacyIrradCalProtocol protocol(2048, [&](std::chrono::milliseconds d) { pauses.push_back(d); });
    ScriptedBus bus;
    EXPECT_EQ(protocol.writeIrradCal(bus, std::vector<float>(3000, 1.0f)), 2048);
    const auto sent = bus.helper().sent();
    ASSERT_EQ(sent.size(), 137u);
    EXPECT_EQ(pauses, std::vector<std::chrono::milliseconds>(137, std::chrono::milliseconds(200)));
    EXPECT_EQ(Bytes(sent[1].begin(), sent[1].begin() + 7), (Bytes{0x6E, 60, 0, 0x3F, 0x80, 0, 0}));
    // The last chunk holds 2048 - 136 * 15 = 8 values; the rest of its 63 bytes are zero.
    EXPECT_EQ(sent[136][3 + 4 * 7], 0x3F);
    EXPECT_EQ(Bytes(sent[136].begin() + 3 + 4 * 8, sent[136].end()), Bytes(28, 0));

    EXPECT_EQ(protocol.writeIrradCal(bus, {}), 0);
    EXPECT_EQ(bus.helper().sent().size(), 137u);
}

TEST(LegacyIrradCalProtocol, HasNoCollectionArea) {
    LegacyIrradCalProtocol protocol(2048);
    ScriptedBus bus;
    EXPECT_FALSE(protocol.hasCollectionArea(bus));
    EXPECT_EQ(messageOf([&] { protocol.readCollectionArea(bus); }),
              "Legacy protocol does not support reading collection area.");
    EXPECT_EQ(messageOf([&] { protocol.writeCollectionArea(bus, 1.0); }),
              "Legacy protocol does not support writing collection area.");
    auto noHelpers = ScriptedBus::withoutHelpers();
    EXPECT_EQ(messageOf([&] { protocol.readIrradCal(*noHelpers); }), MISMATCH);
    EXPECT_EQ(messageOf([&] { protocol.writeIrradCal(*noHelpers, {1.0f}); }), MISMATCH);
}

}  // namespace
}  // namespace spectro::test
