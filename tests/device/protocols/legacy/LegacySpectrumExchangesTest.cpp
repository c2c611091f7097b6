#include <gtest/gtest.h>

#include "device/common/Exceptions.h"
#include "device/protocols/legacy/LegacySpectrumExchanges.h"
#include "device/support/MessageOf.h"
#include "device/support/Scripted.h"

namespace spectro::test {
namespace {

using namespace legacyProtocol;

// A feature stand-in that counts how often it was asked.
class Source : public GainAdjustmentSource {
  public:
    Source(int maximum, int saturation) : maximum(maximum), saturation(saturation) {}
    int getMaximumIntensity() const override {
        ++asked;
        return maximum;
    }
    int getSaturationLevel() override {
        ++asked;
        return saturation;
    }
    int maximum, saturation;
    mutable int asked = 0;
};

// A frame of `length` bytes whose last byte is the sync byte, the rest zero.
Bytes frame(std::size_t length, std::uint8_t last = 0x69) {
    Bytes bytes(length, 0);
    bytes.back() = last;
    return bytes;
}

// The values of a result of the expected kind; none (and a failure) for any other kind.
template <class Vector>
std::vector<typename Vector::value_type> valuesOf(const std::unique_ptr<Data>& result) {
    auto* vector = dynamic_cast<Vector*>(result.get());
    EXPECT_NE(vector, nullptr);
    if (vector == nullptr) return {};
    return vector->getValues();
}

std::unique_ptr<Data> run(Exchange& exchange, Bytes reply) {
    ScriptedTransferHelper helper;
    helper.reply(std::move(reply));
    return exchange.transfer(helper);
}

TEST(LegacySpectrumExchanges, HRFPGAWordsDropTheXorOfTheHighByte) {
    HRFPGASpectrumExchange exchange(4097, 2048);
    Bytes bytes = frame(4097);
    bytes[0] = 0x34;
    bytes[1] = 0x32;  // 0x12 once the 0x20 is taken out
    bytes[2] = 0x00;
    bytes[3] = 0x20;  // zero
    bytes[4094] = 0xFF;
    bytes[4095] = 0xDF;  // the last pixel: 0xFFFF
    const auto values = valuesOf<UShortVector>(run(exchange, bytes));
    ASSERT_EQ(values.size(), 2048u);
    EXPECT_EQ(values[0], 0x1234);
    EXPECT_EQ(values[1], 0);
    EXPECT_EQ(values[2047], 0xFFFF);
    EXPECT_EQ(exchange.getHints().front()->getHintID(), 1001);
}

TEST(LegacySpectrumExchanges, Legacy2KBlocksKeepTwelveBits) {
    Legacy2KSpectrumExchange exchange(4097, 2048);
    Bytes bytes = frame(4097);
    bytes[0] = 0x21;
    bytes[64] = 0xA3;  // only the low nibble counts
    bytes[128] = 0x01;
    bytes[192] = 0xFF;
    bytes[127] = 0x55;  // pixel 63's high byte
    bytes[63] = 0x44;
    const auto values = valuesOf<UShortVector>(run(exchange, bytes));
    ASSERT_EQ(values.size(), 2048u);
    EXPECT_EQ(values[0], 0x321);
    EXPECT_EQ(values[63], 0x544);
    EXPECT_EQ(values[64], 0xF01);
    EXPECT_EQ(values[1], 0);
}

TEST(LegacySpectrumExchanges, QEWordsDropTheXorOfTheTopBit) {
    QESpectrumExchange exchange(2561, 1044);
    Bytes bytes = frame(2561);
    bytes[1] = 0x80;  // 0x8000 on the wire is 0
    const auto values = valuesOf<UShortVector>(run(exchange, bytes));
    ASSERT_EQ(values.size(), 1044u);
    EXPECT_EQ(values[0], 0);
    EXPECT_EQ(values[1], 0x8000);  // 0x0000 on the wire
}

TEST(LegacySpectrumExchanges, OnlyThePixelCountIsDecoded) {
    FPGASpectrumExchange exchange(4609, 2080);  // a Maya2000 frame holds 2304 words
    Bytes bytes = frame(4609);
    bytes[2 * 2079] = 7;
    EXPECT_EQ(valuesOf<UShortVector>(run(exchange, bytes)).back(), 7);
    EXPECT_EQ(valuesOf<UShortVector>(run(exchange, bytes)).size(), 2080u);
}

TEST(LegacySpectrumExchanges, DecodingNeverReadsPastTheFrame) {
    // Constants that promise more pixels than the frame holds decode what is there.
    FPGASpectrumExchange words(9, 100);
    EXPECT_EQ(valuesOf<UShortVector>(run(words, frame(9))).size(), 4u);
    Legacy2KSpectrumExchange blocks(129, 100);
    EXPECT_EQ(valuesOf<UShortVector>(run(blocks, frame(129))).size(), 64u);
}

TEST(LegacySpectrumExchanges, EachFormatNamesItselfWhenTheSyncByteIsWrong) {
    Source source(65535, 65535);
    struct Case {
        std::string name;
        std::unique_ptr<ReadSpectrumExchange> exchange;
        std::string who;
    };
    std::vector<Case> cases;
    cases.push_back({"2K", std::make_unique<Legacy2KSpectrumExchange>(4097, 2048), "Legacy2KSpectrumExchange"});
    cases.push_back({"HR", std::make_unique<HRFPGASpectrumExchange>(4097, 2048), "HRFPGASpectrumExchange"});
    cases.push_back({"FPGA", std::make_unique<FPGASpectrumExchange>(4609, 2080), "FPGASpectrumExchange"});
    cases.push_back({"QE", std::make_unique<QESpectrumExchange>(2561, 1044), "QESpectrumExchange"});
    cases.push_back({"USB FPGA", std::make_unique<USBFPGASpectrumExchange>(4097, 2048, &source), "FPGASpectrumExchange"});
    cases.push_back({"NIRQuest", std::make_unique<NIRQuestSpectrumExchange>(1025, 512, &source), "QESpectrumExchange"});
    cases.push_back({"MayaPro", std::make_unique<MayaProSpectrumExchange>(4609, 2068, &source), "MayaProSpectrumExchange"});
    for (Case& c : cases) {
        const std::size_t length = c.exchange->getLength();
        const std::string expected =
            c.who +
            "::transfer: Did not find expected synch byte (0x69) at the end of spectral data "
            "transfer.  This suggests that the data stream is now out of synchronization, or "
            "possibly that an underlying read operation failed prematurely due to bus issues.";
        ScriptedTransferHelper helper;
        helper.reply(frame(length, 0x00));
        EXPECT_THROW(c.exchange->transfer(helper), ProtocolFormatException) << c.name;
        helper.reply(frame(length, 0x00));
        EXPECT_EQ(messageOf([&] { c.exchange->transfer(helper); }), expected) << c.name;

        // A frame that arrives short is out of step too, even when the buffer still ends in
        // the sync byte of the frame before.
        helper.reply(frame(length));
        EXPECT_NO_THROW(c.exchange->transfer(helper)) << c.name;
        helper.reply(Bytes(length - 1, 0));
        EXPECT_EQ(messageOf([&] { c.exchange->transfer(helper); }), expected) << c.name;
    }
}

TEST(LegacySpectrumExchanges, FormatsWithoutSyncByteRefuseShortFrames) {
    Source source(65535, 65535);
    JazSpectrumExchange jaz(4096, 2048, &source);
    FlameNIRSpectrumExchange flame(256, 128, &source);
    Bytes full(4096, 0);
    full.back() = 0x12;  // not checked
    EXPECT_EQ(valuesOf<DoubleVector>(run(jaz, full)).size(), 2048u);
    EXPECT_EQ(valuesOf<DoubleVector>(run(flame, Bytes(256, 0))).size(), 128u);

    const std::string tail =
        "Expected Transfer::transfer to produce a non-null result containing raw spectral "
        "data.  Without this data, it is not possible to generate a valid formatted spectrum.";
    EXPECT_EQ(messageOf([&] { run(jaz, Bytes(4095, 0)); }), tail);
    EXPECT_EQ(messageOf([&] { run(flame, Bytes(100, 0)); }),
              "FlameNIRSpectrumExchange::transfer: " + tail);
}

TEST(LegacySpectrumExchanges, GainAdjustmentScalesAndClampsToTheCeiling) {
    Source source(65535, 50000);
    USBFPGASpectrumExchange exchange(4097, 2048, &source);
    Bytes bytes = frame(4097);
    auto put = [&](std::size_t pixel, std::uint16_t word) {
        bytes[2 * pixel] = static_cast<std::uint8_t>(word & 0xFF);
        bytes[2 * pixel + 1] = static_cast<std::uint8_t>(word >> 8);
    };
    put(0, 50000);  // the saturation level becomes the ceiling
    put(1, 50001);  // anything above is clamped
    put(2, 1000);
    const auto values = valuesOf<DoubleVector>(run(exchange, bytes));
    ASSERT_EQ(values.size(), 2048u);
    EXPECT_EQ(values[0], 65535.0);
    EXPECT_EQ(values[1], 65535.0);
    EXPECT_EQ(values[2], (1000.0 * 65535.0) / 50000.0);
}

TEST(LegacySpectrumExchanges, TheTwoGainOrdersAreKeptApart) {
    // Find a word for which w*M/S and w*(M/S) differ in the last bit, then check that each
    // format uses its own order.
    const double M = 64000, S = 61234;
    std::uint16_t word = 1;
    while (word < 65535 && gainAdjustedA(word, M, S) == gainAdjustedB(word, M, M / S)) ++word;
    ASSERT_LT(word, 65535) << "no word tells the orders apart";

    Source source(64000, 61234);
    Bytes bytes = frame(4609);
    bytes[0] = static_cast<std::uint8_t>(word & 0xFF);
    bytes[1] = static_cast<std::uint8_t>(word >> 8);
    MayaProSpectrumExchange maya(4609, 2068, &source);
    EXPECT_EQ(valuesOf<DoubleVector>(run(maya, bytes))[0], gainAdjustedB(word, M, M / S));
    JazSpectrumExchange jaz(4609, 2068, &source);
    EXPECT_EQ(valuesOf<DoubleVector>(run(jaz, bytes))[0], (word * M) / S);
}

TEST(LegacySpectrumExchanges, MayaProAsksForItsScaleBeforeTheSyncCheck) {
    Source source(64000, 64000);
    MayaProSpectrumExchange exchange(4609, 2068, &source);
    EXPECT_THROW(run(exchange, frame(4609, 0x00)), ProtocolFormatException);
    EXPECT_EQ(source.asked, 2);
    NIRQuestSpectrumExchange nirQuest(2561, 1044, &source);
    EXPECT_THROW(run(nirQuest, frame(2561, 0x00)), ProtocolFormatException);
    EXPECT_EQ(source.asked, 2);  // the NIRQuest checks first
}

TEST(LegacySpectrumExchanges, WithoutAFeatureTheUndecoratedResultIsReturned) {
    USBFPGASpectrumExchange usb(4097, 2048, nullptr);
    EXPECT_EQ(valuesOf<UShortVector>(run(usb, frame(4097))).size(), 2048u);
    NIRQuestSpectrumExchange nir(1025, 512, nullptr);
    EXPECT_EQ(valuesOf<UShortVector>(run(nir, frame(1025))).size(), 512u);
    MayaProSpectrumExchange maya(4609, 2068, nullptr);
    EXPECT_EQ(valuesOf<ByteVector>(run(maya, frame(4609))).size(), 4609u);
    JazSpectrumExchange jaz(4096, 2048, nullptr);
    EXPECT_EQ(valuesOf<ByteVector>(run(jaz, frame(4096))).size(), 4096u);
}

TEST(LegacySpectrumExchanges, TheRawFrameIsWhatArrived) {
    ReadSpectrumExchange raw(4097, 2048);
    EXPECT_EQ(valuesOf<ByteVector>(run(raw, frame(4097))).size(), 4097u);
    EXPECT_EQ(valuesOf<ByteVector>(run(raw, Bytes(10, 1))), Bytes(10, 1));
    ScriptedTransferHelper failing;  // no reply queued: the read fails
    EXPECT_EQ(messageOf([&] { raw.transfer(failing); }), "Failed to read from bus.");
}

}  // namespace
}  // namespace spectro::test
