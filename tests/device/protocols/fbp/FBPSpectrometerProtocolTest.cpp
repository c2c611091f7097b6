#include <gtest/gtest.h>

#include "device/common/ProtocolHint.h"
#include "device/protocols/SpectrometerTriggerMode.h"
#include "device/protocols/fbp/FBPSpectrometerProtocol.h"
#include "device/protocols/fbp/FBPSpectrumExchanges.h"
#include "device/protocols/fbp/FBPWire.h"

// Acquisition over the framed protocol: the spectrum request, the 16-bit, gain-rescaled and
// 32-bit reads as the protocol drives them, and the two settings whose refusal must not pass
// for success.

namespace spectro::test {
namespace {

using namespace framedBinaryProtocol;
using namespace fbp;

constexpr std::uint16_t ACK_REQUESTED = 0x0004;
constexpr std::uint32_t SPECTRUM_TYPE = 0x00101000;
constexpr std::uint32_t SPECTRUM32_TYPE = 0x00100928;
const char* const NO_SPECTRUM = "Got NULL when expecting spectral data which was unexpected.";
const char* const NOT_ENOUGH = "Spectrum response does not have enough data.";

class FixedGain : public GainAdjustmentSource {
  public:
    FixedGain(int maximum, int saturation) : maximum(maximum), saturation(saturation) {}
    int getMaximumIntensity() const override { return maximum; }
    int getSaturationLevel() override { return saturation; }

  private:
    int maximum;
    int saturation;
};

// A read that yields nothing, as no framed read does, to show the protocol's own guard.
class NothingRead : public Transfer {
  public:
    NothingRead() : Transfer(std::make_unique<FBPSpectrumHint>(), FROM_DEVICE, 64) {}
    std::unique_ptr<Data> transfer(TransferHelper&) override { return nullptr; }
};

// Pixel i has the value `first` + i, as u16 or u32.
Bytes pixels16(std::size_t count, std::uint16_t first) {
    Bytes data;
    for (std::size_t i = 0; i < count; ++i) {
        const auto v = static_cast<std::uint16_t>(first + i);
        data.push_back(static_cast<std::uint8_t>(v));
        data.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    return data;
}

Bytes pixels32(std::size_t count, std::uint32_t first) {
    Bytes data(32, 0xEE);  // metadata, not interpreted
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t v = first + static_cast<std::uint32_t>(i);
        for (int shift = 0; shift < 32; shift += 8) data.push_back(static_cast<std::uint8_t>(v >> shift));
    }
    return data;
}

std::vector<double> ramp(std::size_t count, double first) {
    std::vector<double> values(count);
    for (std::size_t i = 0; i < count; ++i) values[i] = first + static_cast<double>(i);
    return values;
}

struct Kept {
    FBPIntegrationTimeExchange* integrationTime = nullptr;
};

// A protocol for u16 spectra of `pixels` pixels read `extra` bytes beyond the usual length.
std::unique_ptr<FBPSpectrometerProtocol> sixteenBit(std::uint32_t pixels, Kept* kept = nullptr,
                                                    std::uint32_t extra = 0,
                                                    std::unique_ptr<Transfer> formatted = nullptr) {
    auto time = std::make_unique<FBPIntegrationTimeExchange>();
    if (kept != nullptr) kept->integrationTime = time.get();
    const std::uint32_t length = 2 * pixels + 64 + extra;
    if (!formatted) formatted = std::make_unique<FBPReadSpectrumExchange>(length, pixels);
    return std::make_unique<FBPSpectrometerProtocol>(
        std::move(time), std::make_unique<FBPRequestSpectrumExchange>(),
        std::make_unique<FBPReadRawSpectrumExchange>(length, pixels), std::move(formatted),
        std::make_unique<FBPTriggerModeExchange>());
}

std::unique_ptr<FBPSpectrometerProtocol> thirtyTwoBit(std::uint32_t pixels) {
    return std::make_unique<FBPSpectrometerProtocol>(
        std::make_unique<FBPIntegrationTimeExchange>(),
        std::make_unique<FBPRequestBufferedSpectrum32AndMetadataExchange>(),
        std::make_unique<FBPReadRawSpectrum32AndMetadataExchange>(pixels),
        std::make_unique<FBPReadSpectrum32AndMetadataExchange>(pixels),
        std::make_unique<FBPTriggerModeExchange>());
}

std::vector<std::uint32_t> receiveLengths(const ScriptedTransferHelper& helper) {
    std::vector<std::uint32_t> lengths;
    for (const Operation& op : helper.operations())
        if (op.kind == Operation::RECEIVE) lengths.push_back(op.length);
    return lengths;
}

TEST(FBPSpectrometerProtocol, TakesOneSixteenBitSpectrum) {
    auto protocol = sixteenBit(1024);
    EXPECT_EQ(protocol->getProtocol().getID(), 2000);
    ScriptedBus bus;
    bus.helper().reply(fbp::message(SPECTRUM_TYPE, 0, {}, pixels16(1024, 100)));
    protocol->requestSpectrum(bus);
    EXPECT_EQ(protocol->readFormattedSpectrum(bus), ramp(1024, 100));
    EXPECT_EQ(bus.helper().sent(), std::vector<Bytes>{fbp::message(SPECTRUM_TYPE, 0)});
    EXPECT_EQ(receiveLengths(bus.helper()), std::vector<std::uint32_t>{2112});
}

TEST(FBPSpectrometerProtocol, TakesOneThirtyTwoBitSpectrumWithMetadata) {
    auto protocol = thirtyTwoBit(1044);
    ScriptedBus bus;
    const Bytes data = pixels32(1044, 70000);
    bus.helper().reply(fbp::message(SPECTRUM32_TYPE, 0, {}, data));
    bus.helper().reply(fbp::message(SPECTRUM32_TYPE, 0, {}, data));
    protocol->requestSpectrum(bus);
    EXPECT_EQ(protocol->readFormattedSpectrum(bus), ramp(1044, 70000));
    EXPECT_EQ(protocol->readUnformattedSpectrum(bus), data);  // metadata included
    EXPECT_EQ(bus.helper().sent(), std::vector<Bytes>{fbp::message(SPECTRUM32_TYPE, 0)});
    EXPECT_EQ(receiveLengths(bus.helper()), (std::vector<std::uint32_t>{4272, 4272}));
}

TEST(FBPSpectrometerProtocol, ChecksTheSpectrumMessage) {
    struct Case {
        const char* name;
        std::function<std::string(const Bus&)> read;
        Bytes reply;
        std::string result;
    };
    auto unformatted = [](std::unique_ptr<FBPSpectrometerProtocol> p) {
        std::shared_ptr<FBPSpectrometerProtocol> shared(std::move(p));
        return [shared](const Bus& bus) {
            return std::to_string(shared->readUnformattedSpectrum(bus).size()) + " bytes";
        };
    };
    auto formatted = [](std::unique_ptr<FBPSpectrometerProtocol> p) {
        std::shared_ptr<FBPSpectrometerProtocol> shared(std::move(p));
        return [shared](const Bus& bus) {
            return std::to_string(shared->readFormattedSpectrum(bus)->size()) + " values";
        };
    };
    const Case cases[] = {
        {"16-bit, two bytes short", formatted(sixteenBit(16)),
         fbp::message(SPECTRUM_TYPE, 0, {}, pixels16(15, 0)), NOT_ENOUGH},
        {"16-bit, ten bytes more", unformatted(sixteenBit(16, nullptr, 10)),
         fbp::message(SPECTRUM_TYPE, 0, {}, pixels16(21, 0)), "42 bytes"},
        {"16-bit, another type is not examined", formatted(sixteenBit(16)),
         fbp::message(0x00000100, NACK, {}, pixels16(16, 0)), "16 values"},
        {"32-bit, another type", formatted(thirtyTwoBit(8)),
         fbp::message(SPECTRUM_TYPE, 0, {}, pixels32(8, 0)),
         "Did not get expected message type, got 1052672"},
        {"32-bit, one pixel short", unformatted(thirtyTwoBit(8)),
         fbp::message(SPECTRUM32_TYPE, 0, {}, pixels32(7, 0)), NOT_ENOUGH},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedBus bus;
        bus.helper().reply(c.reply);
        std::string result;
        try {
            result = c.read(bus);
        } catch (const ProtocolException& e) {
            result = e.what();
        }
        EXPECT_EQ(result, c.result);
    }
}

TEST(FBPSpectrometerProtocol, RescalesToTheSaturationLevel) {
    FixedGain gain(65535, 50000);
    auto protocol = sixteenBit(4, nullptr, 0,
                               std::make_unique<FBPReadSpectrumWithGainExchange>(72, 4, &gain));
    ScriptedBus bus;
    bus.helper().reply(
        fbp::message(SPECTRUM_TYPE, 0, {}, {0x40, 0x9C, 0x60, 0xEA, 0x50, 0xC3, 0, 0}));
    // 40000, 60000, 50000 and 0: raw * M / S, never above M.
    EXPECT_EQ(protocol->readFormattedSpectrum(bus),
              (std::vector<double>{52428.0, 65535.0, 65535.0, 0.0}));
}

TEST(FBPSpectrometerProtocol, WithoutAGainSourceTheValuesStayRaw) {
    auto protocol = sixteenBit(2, nullptr, 0,
                               std::make_unique<FBPReadSpectrumWithGainExchange>(68, 2, nullptr));
    ScriptedBus bus;
    bus.helper().reply(fbp::message(SPECTRUM_TYPE, 0, {}, {0x40, 0x9C, 0x60, 0xEA}));
    EXPECT_EQ(protocol->readFormattedSpectrum(bus), (std::vector<double>{40000.0, 60000.0}));
}

TEST(FBPSpectrometerProtocol, AReadThatYieldsNothingOrNoSpectrum) {
    auto nothing = std::make_unique<FBPSpectrometerProtocol>(
        std::make_unique<FBPIntegrationTimeExchange>(),
        std::make_unique<FBPRequestSpectrumExchange>(), std::make_unique<NothingRead>(),
        std::make_unique<NothingRead>(), std::make_unique<FBPTriggerModeExchange>());
    ScriptedBus bus;
    EXPECT_EQ(protocolMessageOf([&] { nothing->readUnformattedSpectrum(bus); }), NO_SPECTRUM);
    EXPECT_EQ(protocolMessageOf([&] { nothing->readFormattedSpectrum(bus); }), NO_SPECTRUM);

    // A formatted read that yields raw bytes is not a spectrum.
    auto raw = sixteenBit(2, nullptr, 0, std::make_unique<FBPReadRawSpectrumExchange>(68, 2));
    bus.helper().reply(fbp::message(SPECTRUM_TYPE, 0, {}, {1, 0, 2, 0}));
    EXPECT_EQ(raw->readFormattedSpectrum(bus), std::nullopt);
}

TEST(FBPSpectrometerProtocol, SendsTheSettingsAndThrowsWhenTheyAreRefused) {
    struct Case {
        const char* name;
        std::function<void(FBPSpectrometerProtocol&, const Bus&)> set;
        std::uint32_t type;
        Bytes data;
        const char* refused;
    };
    const Case cases[] = {
        {"integration time",
         [](FBPSpectrometerProtocol& p, const Bus& b) { p.setIntegrationTimeMicros(b, 100000); },
         0x00110010, {0xA0, 0x86, 0x01, 0x00}, "Device refused the integration time command."},
        {"trigger mode",
         [](FBPSpectrometerProtocol& p, const Bus& b) {
             p.setTriggerMode(b, SpectrometerTriggerMode(0x101));  // the low 8 bits go out
         },
         0x00110110, {0x01}, "Device refused the trigger mode command."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto protocol = sixteenBit(16);
        ScriptedBus bus;
        bus.helper().reply(fbp::message(c.type, ACK));
        bus.helper().reply(fbp::message(c.type, NACK));
        EXPECT_EQ(protocolMessageOf([&] { c.set(*protocol, bus); }), "(nothing thrown)");
        EXPECT_EQ(protocolMessageOf([&] { c.set(*protocol, bus); }), c.refused);
        const Bytes expected = fbp::message(c.type, ACK_REQUESTED, c.data);
        EXPECT_EQ(bus.helper().sent(), (std::vector<Bytes>{expected, expected}));
    }
}

TEST(FBPSpectrometerProtocol, ABusWithoutAHelperChangesNothing) {
    Kept kept;
    auto protocol = sixteenBit(16, &kept);
    auto bus = ScriptedBus::withoutHelpers();
    EXPECT_THROW(protocol->requestSpectrum(*bus), ProtocolBusMismatchException);
    EXPECT_THROW(protocol->readFormattedSpectrum(*bus), ProtocolBusMismatchException);
    EXPECT_THROW(protocol->setTriggerMode(*bus, SpectrometerTriggerMode(1)),
                 ProtocolBusMismatchException);
    EXPECT_THROW(protocol->setIntegrationTimeMicros(*bus, 5000), ProtocolBusMismatchException);
    EXPECT_EQ(kept.integrationTime->getIntegrationTimeUnits(), 100000u);

    ScriptedBus working;
    working.helper().reply(fbp::message(0x00110010, ACK));
    protocol->setIntegrationTimeMicros(working, 5000);
    EXPECT_EQ(kept.integrationTime->getIntegrationTimeUnits(), 5000u);
}

}  // namespace
}  // namespace spectro::test
