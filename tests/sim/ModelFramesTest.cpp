// Every simulated model through the simulated USB platform: its identity on the bus, its
// status block and its spectrum frames, byte for byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <utility>

#include "device/buses/usb/platform/UsbDescriptors.h"
#include "tests/sim/support/ModelCases.h"
#include "tests/sim/support/SimTestBench.h"

namespace spectro::sim::test {
namespace {

// Where the bytes of pixel j's word lie in a frame, and what they are.
std::vector<std::pair<std::size_t, std::uint8_t>> wordBytes(WordLayout layout, std::size_t j,
                                                            std::uint16_t value) {
    const auto low = static_cast<std::uint8_t>(value & 0xFF);
    const auto high = static_cast<std::uint8_t>(value >> 8);
    switch (layout) {
        case WordLayout::Blocks2K:  // the upper nibble of the high byte is sent as 0xA
            return {{128 * (j / 64) + j % 64, low},
                    {128 * (j / 64) + 64 + j % 64, static_cast<std::uint8_t>(0xA0 | high)}};
        case WordLayout::Xor20:
            return {{2 * j, low}, {2 * j + 1, static_cast<std::uint8_t>(high ^ 0x20)}};
        case WordLayout::Xor80:
            return {{2 * j, low}, {2 * j + 1, static_cast<std::uint8_t>(high ^ 0x80)}};
        case WordLayout::Plain:
            return {{2 * j, low}, {2 * j + 1, high}};
    }
    return {};
}

// Pixel j of spectrum n in the "ramp16" pattern.
std::uint16_t ramp16(std::uint64_t n, std::size_t j) {
    return static_cast<std::uint16_t>((40503 * (n + 1) + 1031 * j) % 65536);
}

// The words of a frame as the host decodes them (12 bits for the 2K layout); `swapped` takes
// the high byte for the low one, the mistake a byte-order mix-up makes.
std::vector<std::uint16_t> decodeFrame(const Bytes& frame, const ModelCase& model, bool swapped) {
    const std::size_t words = static_cast<std::size_t>(model.frameLength) / 2;
    std::vector<std::uint16_t> decoded(words);
    for (std::size_t j = 0; j < words; ++j) {
        std::size_t lowAt = 2 * j;
        std::size_t highAt = 2 * j + 1;
        if (model.words == WordLayout::Blocks2K) {
            lowAt = 128 * (j / 64) + j % 64;
            highAt = lowAt + 64;
        }
        if (swapped) std::swap(lowAt, highAt);
        int high = frame[highAt];
        if (model.words == WordLayout::Xor20) high ^= 0x20;
        if (model.words == WordLayout::Xor80) high ^= 0x80;
        if (model.words == WordLayout::Blocks2K) high &= 0x0F;
        decoded[j] = static_cast<std::uint16_t>(high * 256 + frame[lowAt]);
    }
    return decoded;
}

// Reads one whole frame the way the host does for this model and speed.
Bytes readFrame(UsbConnection& unit, const ModelCase& model, bool highSpeed) {
    Bytes frame;
    int rest = model.frameLength;
    if (model.splitAtHighSpeed && highSpeed) {
        auto first = reply(unit, 0x86, 2048);
        EXPECT_TRUE(first.has_value());
        if (first) frame = *first;
        rest -= 2048;
    }
    auto tail = reply(unit, 0x82, rest);
    EXPECT_TRUE(tail.has_value());
    if (tail) frame.insert(frame.end(), tail->begin(), tail->end());
    return frame;
}

class SimModelFrames : public ::testing::TestWithParam<ModelCase> {};

TEST_P(SimModelFrames, IsListedWithItsIdsAndLargestPacket) {
    const ModelCase& model = GetParam();
    SimTestBench bench(oneUnitBench(model.model));
    const auto listed = bench.platform().enumerate();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].vendorId, 0x2457);
    EXPECT_EQ(listed[0].productId, model.productId);

    auto unit = bench.open(0);
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->productId(), model.productId);
    const auto configuration = unit->configurationDescriptor();
    ASSERT_TRUE(configuration.has_value());
    EXPECT_EQ(largestPacketSizeOfFirstInterface(*configuration), 512);
    EXPECT_TRUE(unit->clearHalt(model.controlIn));
    EXPECT_TRUE(unit->clearHalt(0x82));
}

TEST_P(SimModelFrames, StatusBlockReportsIntegrationTimeInMicroseconds) {
    const ModelCase& model = GetParam();
    SimTestBench bench(oneUnitBench(model.model));
    auto unit = bench.open(0);
    ASSERT_NE(unit, nullptr);

    // 20 ms in the unit the model counts in; every model has it.
    const std::uint32_t count = 20000 / model.integrationUnitUs;
    ASSERT_TRUE(command(*unit, model.commandOut,
                        {0x02, static_cast<std::uint8_t>(count & 0xFF),
                         static_cast<std::uint8_t>(count >> 8), 0, 0}));
    ASSERT_TRUE(command(*unit, model.commandOut, {0xFE}));
    const auto status = reply(*unit, model.controlIn, 16);
    ASSERT_TRUE(status.has_value());
    ASSERT_EQ(status->size(), 16u);
    EXPECT_EQ((*status)[0] | ((*status)[1] << 8), model.pixels);
    EXPECT_EQ(Bytes(status->begin() + 2, status->begin() + 6), (Bytes{0x20, 0x4E, 0x00, 0x00}));
    EXPECT_EQ((*status)[6], 0);      // lamp off
    EXPECT_EQ((*status)[7], 0);      // trigger mode 0
    EXPECT_EQ((*status)[14], 0x80);  // high speed
}

TEST_P(SimModelFrames, FramesCarryTheRampInTheModelsLayout) {
    const ModelCase& model = GetParam();
    SimTestBench bench(oneUnitBench(model.model, R"(, "pattern": "ramp")"));
    auto unit = bench.open(0);
    ASSERT_NE(unit, nullptr);

    // Spectrum 37 starts at 7 * 37 = 259, so its words have a non-zero high byte.
    constexpr int spectra = 38;
    for (int n = 0; n < spectra; ++n) {
        ASSERT_TRUE(command(*unit, model.commandOut, {0x09}));
        const Bytes frame = readFrame(*unit, model, true);
        ASSERT_EQ(frame.size(), static_cast<std::size_t>(model.frameLength));
        if (model.syncByte) {
            EXPECT_EQ(frame.back(), 0x69);
        }
        if (n != 0 && n != spectra - 1) continue;
        for (std::size_t j : {std::size_t{0}, std::size_t{64}, std::size_t{127}}) {
            const auto value = static_cast<std::uint16_t>((7 * n + j) % 4096);
            for (const auto& [at, byte] : wordBytes(model.words, j, value))
                EXPECT_EQ(frame[at], byte)
                    << "spectrum " << n << ", pixel " << j << ", byte " << at;
        }
    }
    // Nothing is left over on either spectrum endpoint.
    EXPECT_FALSE(reply(*unit, 0x82, 1).has_value());
}

TEST_P(SimModelFrames, Ramp16FramesDecodeToTheFormulaOnEveryPixelAndNotWhenSwapped) {
    const ModelCase& model = GetParam();
    SimTestBench bench(oneUnitBench(model.model, R"(, "pattern": "ramp16")"));
    auto unit = bench.open(0);
    ASSERT_NE(unit, nullptr);
    const std::uint16_t mask = model.words == WordLayout::Blocks2K ? 0x0FFF : 0xFFFF;

    for (std::uint64_t n = 0; n < 2; ++n) {
        ASSERT_TRUE(command(*unit, model.commandOut, {0x09}));
        const Bytes frame = readFrame(*unit, model, true);
        ASSERT_EQ(frame.size(), static_cast<std::size_t>(model.frameLength));
        const auto decoded = decodeFrame(frame, model, false);
        const auto swapped = decodeFrame(frame, model, true);
        std::size_t swappedMatches = 0;
        for (std::size_t j = 0; j < decoded.size(); ++j) {
            const std::uint16_t expected = ramp16(n, j) & mask;
            ASSERT_EQ(decoded[j], expected) << "spectrum " << n << ", pixel " << j;
            if (swapped[j] == expected) ++swappedMatches;
        }
        // Only the rare word whose two bytes happen to fit survives a swap.
        EXPECT_LT(swappedMatches * 64, decoded.size()) << "spectrum " << n;
        if (model.words == WordLayout::Blocks2K) {
            for (std::size_t j = 0; j < decoded.size(); ++j)
                ASSERT_EQ(frame[128 * (j / 64) + 64 + j % 64] & 0xF0, 0xA0) << "pixel " << j;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SimModels, SimModelFrames, ::testing::ValuesIn(modelCases()),
                         [](const auto& info) { return testName(info.param.model); });

struct SplitCase {
    const char* model;
    bool highSpeed;
};

void PrintTo(const SplitCase& split, std::ostream* out) {
    *out << split.model << (split.highSpeed ? " at high speed" : " at full speed");
}

class SimSplitFrames : public ::testing::TestWithParam<SplitCase> {};

// At high speed the first 2048 bytes of a frame leave on 0x86 and the rest on 0x82; at full
// speed the whole frame leaves on 0x82.
TEST_P(SimSplitFrames, FrameLeavesOnTheEndpointsOfItsSpeed) {
    const SplitCase& split = GetParam();
    const ModelCase& model = *std::find_if(modelCases().begin(), modelCases().end(),
                                           [&](const auto& c) { return c.model == split.model; });
    SimTestBench bench(
        oneUnitBench(split.model, std::string(R"(, "pattern": "ramp16", "high_speed": )") +
                                      (split.highSpeed ? "true" : "false")));
    auto unit = bench.open(0);
    ASSERT_NE(unit, nullptr);
    ASSERT_TRUE(command(*unit, 0x01, {0x09}));
    Bytes frame;
    if (split.highSpeed) {
        const auto first = reply(*unit, 0x86, 8192);
        ASSERT_TRUE(first.has_value());
        ASSERT_EQ(first->size(), 2048u);
        frame = *first;
    } else {
        EXPECT_FALSE(reply(*unit, 0x86, 8192).has_value());
    }
    const auto rest = reply(*unit, 0x82, 8192);
    ASSERT_TRUE(rest.has_value());
    frame.insert(frame.end(), rest->begin(), rest->end());
    ASSERT_EQ(frame.size(), 7681u);
    EXPECT_EQ(frame.back(), 0x69);
    const auto decoded = decodeFrame(frame, model, false);
    for (std::size_t j = 0; j < decoded.size(); ++j)
        ASSERT_EQ(decoded[j], ramp16(0, j)) << "pixel " << j;
}

INSTANTIATE_TEST_SUITE_P(Speeds, SimSplitFrames,
                         ::testing::Values(SplitCase{"HR4000", true}, SplitCase{"HR4000", false},
                                           SplitCase{"USB4000", true}, SplitCase{"USB4000", false}),
                         [](const auto& info) {
                             return std::string(info.param.model) +
                                    (info.param.highSpeed ? "HighSpeed" : "FullSpeed");
                         });

TEST(SimFullSpeedUnit, ReportsSmallPacketsAndSendsWholeFramesOnOneEndpoint) {
    SimTestBench bench(oneUnitBench("HR4000", R"(, "high_speed": false)"));
    auto unit = bench.open(0);
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(largestPacketSizeOfFirstInterface(*unit->configurationDescriptor()), 64);

    ASSERT_TRUE(command(*unit, 0x01, {0xFE}));
    const auto status = reply(*unit, 0x81, 16);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ((*status)[14], 0x00);

    ASSERT_TRUE(command(*unit, 0x01, {0x09}));
    EXPECT_FALSE(reply(*unit, 0x86, 2048).has_value());
    const auto frame = reply(*unit, 0x82, 7681);
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->size(), 7681u);
    EXPECT_EQ(frame->back(), 0x69);
}

TEST(SimLinesPattern, GrowsWithIntegrationTimeAndStaysBelowFullScale) {
    SimTestBench bench(oneUnitBench("HR2000+"));
    auto unit = bench.open(0);
    ASSERT_NE(unit, nullptr);
    auto peakAt = [&](std::uint32_t us) {
        EXPECT_TRUE(command(
            *unit, 0x01,
            {0x02, static_cast<std::uint8_t>(us & 0xFF),
             static_cast<std::uint8_t>((us >> 8) & 0xFF), static_cast<std::uint8_t>(us >> 16), 0}));
        EXPECT_TRUE(command(*unit, 0x01, {0x09}));
        const auto frame = reply(*unit, 0x82, 4097);
        int peak = 0;
        int floor = 1 << 16;
        for (std::size_t j = 0; j < 2048; ++j) {
            const int value = (*frame)[2 * j] | (((*frame)[2 * j + 1] ^ 0x20) << 8);
            peak = std::max(peak, value);
            floor = std::min(floor, value);
        }
        EXPECT_LE(peak, 16383);
        EXPECT_GT(floor, 0);
        return peak;
    };
    const int short_ = peakAt(2000);
    const int longer = peakAt(8000);
    EXPECT_GT(longer, 2 * short_ - 1000);  // lines over a small baseline scale with the exposure
    EXPECT_EQ(peakAt(1000000), 16383);     // a long exposure saturates
}

}  // namespace
}  // namespace spectro::sim::test
