#include <gtest/gtest.h>

#include <functional>

#include "device/protocols/fbp/FBPSpectrumExchanges.h"
#include "device/protocols/fbp/FBPWire.h"

namespace spectro::test {
namespace {

using namespace framedBinaryProtocol;
using namespace fbp;

constexpr std::uint32_t SPECTRUM = 0x00101000;
constexpr std::uint32_t SPECTRUM32 = 0x00100928;

class Source : public GainAdjustmentSource {
  public:
    int getMaximumIntensity() const override { return 65535; }
    int getSaturationLevel() override { return 50000; }
};

Bytes u16Pixels(const std::vector<std::uint16_t>& values) {
    Bytes bytes;
    for (std::uint16_t v : values) appendU16(bytes, v);
    return bytes;
}

// A spectrum message whose data is `data`, in the payload as a device sends it.
Bytes spectrum(std::uint32_t type, const Bytes& data) { return fbp::message(type, 0, {}, data); }

template <class Vector>
std::vector<typename Vector::value_type> valuesOf(const std::unique_ptr<Data>& result) {
    auto* vector = dynamic_cast<Vector*>(result.get());
    EXPECT_NE(vector, nullptr);
    return vector == nullptr ? std::vector<typename Vector::value_type>{} : vector->getValues();
}

std::unique_ptr<Data> run(Transfer& exchange, const Bytes& reply, std::uint32_t* asked = nullptr) {
    ScriptedTransferHelper helper;
    helper.reply(reply);
    std::unique_ptr<Data> result = exchange.transfer(helper);
    if (asked != nullptr) *asked = helper.operations().at(0).length;
    return result;
}

TEST(FBPSpectrumExchanges, RequestsAreOneMessageOnTheSpectrumHint) {
    FBPRequestSpectrumExchange sixteen;
    FBPRequestBufferedSpectrum32AndMetadataExchange thirtyTwo;
    for (auto [request, type] : {std::pair<Transfer*, std::uint32_t>{&sixteen, SPECTRUM},
                                 {&thirtyTwo, SPECTRUM32}}) {
        SCOPED_TRACE(type);
        ScriptedTransferHelper helper;
        EXPECT_EQ(request->transfer(helper), nullptr);
        EXPECT_EQ(helper.sent(), std::vector<Bytes>{fbp::message(type, 0)});
        ASSERT_EQ(request->getHints().size(), 1u);
        EXPECT_EQ(request->getHints()[0]->getHintID(), 1001);
        EXPECT_EQ(request->getHints()[0]->getDescription(), "FBPSpectrum transfer");
    }
}

TEST(FBPSpectrumExchanges, ReadsAskForTheirWholeMessageInOneReceive) {
    struct Case {
        const char* name;
        std::unique_ptr<Transfer> exchange;
        std::uint32_t length;
        Bytes reply;
    };
    Case cases[] = {
        {"16-bit", std::make_unique<FBPReadRawSpectrumExchange>(2112, 1024), 2112,
         spectrum(SPECTRUM, Bytes(2048, 0))},
        {"32-bit", std::make_unique<FBPReadRawSpectrum32AndMetadataExchange>(1044), 4272,
         spectrum(SPECTRUM32, Bytes(4208, 0))},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.exchange->getLength(), c.length);
        EXPECT_EQ(c.exchange->getHints().at(0)->getHintID(), 1001);
        std::uint32_t asked = 0;
        EXPECT_NE(run(*c.exchange, c.reply, &asked), nullptr);
        EXPECT_EQ(asked, c.length);
    }
    FBPReadRawSpectrumExchange binned(2112, 1024);
    binned.resize(576, 256);
    EXPECT_EQ(binned.getNumberOfPixels(), 256u);
    std::uint32_t asked = 0;
    EXPECT_EQ(valuesOf<ByteVector>(run(binned, spectrum(SPECTRUM, counting(512)), &asked)), counting(512));
    EXPECT_EQ(asked, 576u);
}

TEST(FBPSpectrumExchanges, SixteenBitPixelsComeFromTheMessageData) {
    const Bytes data = u16Pixels({0x0102, 0xFFFF, 0, 40000});
    FBPReadSpectrumExchange exchange(72, 4);
    EXPECT_EQ(valuesOf<UShortVector>(run(exchange, spectrum(SPECTRUM, data))),
              (std::vector<std::uint16_t>{0x0102, 0xFFFF, 0, 40000}));
    // Type and flags are not examined; data in the header counts as well.
    FBPReadSpectrumExchange small(64, 2);
    EXPECT_EQ(valuesOf<UShortVector>(run(small, fbp::message(0x1234, 0x0008, u16Pixels({7, 9})))),
              (std::vector<std::uint16_t>{7, 9}));
    // More data than the pixels: the raw read hands back all of it.
    FBPReadRawSpectrumExchange raw(2 * 8 + 64 + 10, 8);
    EXPECT_EQ(valuesOf<ByteVector>(run(raw, spectrum(SPECTRUM, counting(26)))), counting(26));
}

TEST(FBPSpectrumExchanges, GainRescalesToTheSaturationLevel) {
    Source source;
    FBPReadSpectrumWithGainExchange exchange(70, 3, &source);
    EXPECT_EQ(valuesOf<DoubleVector>(run(exchange, spectrum(SPECTRUM, u16Pixels({40000, 60000, 0})))),
              (std::vector<double>{52428.0, 65535.0, 0.0}));
    FBPReadSpectrumWithGainExchange withoutSource(70, 3, nullptr);
    EXPECT_EQ(valuesOf<UShortVector>(run(withoutSource, spectrum(SPECTRUM, u16Pixels({40000, 60000, 1})))),
              (std::vector<std::uint16_t>{40000, 60000, 1}));
}

TEST(FBPSpectrumExchanges, ThirtyTwoBitPixelsFollowTheMetadata) {
    Bytes data(32, 0xAB);  // metadata, not interpreted
    for (std::uint32_t v : {0x01020304u, 0xFFFFFFFFu, 5u}) appendU32(data, v);
    FBPReadSpectrum32AndMetadataExchange exchange(3);
    EXPECT_EQ(valuesOf<U32Vector>(run(exchange, spectrum(SPECTRUM32, data))),
              (std::vector<std::uint32_t>{0x01020304u, 0xFFFFFFFFu, 5u}));
    FBPReadRawSpectrum32AndMetadataExchange raw(3);
    EXPECT_EQ(valuesOf<ByteVector>(run(raw, spectrum(SPECTRUM32, data))), data);
}

TEST(FBPSpectrumExchanges, BrokenSpectrumMessagesThrow) {
    const char* parse = "Failed to parse message transferred from device";
    const char* notEnough = "Spectrum response does not have enough data.";
    struct Case {
        const char* name;
        std::function<std::unique_ptr<Transfer>()> make;
        Bytes reply;
        std::string message;
    };
    const auto sixteen = [] { return std::make_unique<FBPReadSpectrumExchange>(2 * 8 + 64, 8); };
    const auto raw = [] { return std::make_unique<FBPReadRawSpectrumExchange>(2 * 8 + 64, 8); };
    const auto gain = [] { return std::make_unique<FBPReadSpectrumWithGainExchange>(2 * 8 + 64, 8, nullptr); };
    const auto wide = [] { return std::make_unique<FBPReadSpectrum32AndMetadataExchange>(4); };
    Bytes badFooter = spectrum(SPECTRUM, counting(16));
    badFooter.back() = 0;
    Bytes badHeader = spectrum(SPECTRUM, counting(16));
    badHeader[0] = 0;
    const Bytes longer = spectrum(SPECTRUM, counting(18));
    const Bytes wideWhole = spectrum(SPECTRUM32, Bytes(48, 0));
    const Case cases[] = {
        {"two bytes short", sixteen, spectrum(SPECTRUM, counting(14)), notEnough},
        {"two bytes short, raw", raw, spectrum(SPECTRUM, counting(14)), notEnough},
        {"two bytes short, gain", gain, spectrum(SPECTRUM, counting(14)), notEnough},
        {"wrong footer", sixteen, badFooter, parse},
        {"wrong header", raw, badHeader, parse},
        // The message is longer than the read: cut off, it is not parsed past the bytes received.
        {"longer than the read", sixteen, longer, parse},
        {"nothing arrives", sixteen, Bytes{}, parse},
        {"32-bit of the 16-bit type", wide, spectrum(SPECTRUM, Bytes(48, 0)),
         "Did not get expected message type, got 1052672"},
        {"32-bit short", wide, spectrum(SPECTRUM32, Bytes(47, 0)), notEnough},
        {"32-bit cut off", wide, Bytes(wideWhole.begin(), wideWhole.begin() + 60), parse},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::unique_ptr<Transfer> exchange = c.make();
        EXPECT_EQ(protocolMessageOf([&] { run(*exchange, c.reply); }), c.message);
    }
}

TEST(FBPSpectrumExchanges, AShortReadNeverReusesAnEarlierSpectrum) {
    // The buffer still holds a whole earlier message; only the bytes of this read count.
    FBPReadSpectrumExchange exchange(2 * 4 + 64, 4);
    const Bytes whole = spectrum(SPECTRUM, u16Pixels({1, 2, 3, 4}));
    EXPECT_EQ(valuesOf<UShortVector>(run(exchange, whole)), (std::vector<std::uint16_t>{1, 2, 3, 4}));
    EXPECT_EQ(protocolMessageOf([&] { run(exchange, Bytes(whole.begin(), whole.end() - 1)); }),
              "Failed to parse message transferred from device");
}

}  // namespace
}  // namespace spectro::test
