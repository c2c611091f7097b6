// Every simulated model through the simulated USB platform: its identity on the bus, its
// status block and its spectrum frames, byte for byte.

#include <gtest/gtest.h>

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
        case WordLayout::Blocks2K:
            return {{128 * (j / 64) + j % 64, low}, {128 * (j / 64) + 64 + j % 64, high}};
        case WordLayout::Xor20:
            return {{2 * j, low}, {2 * j + 1, static_cast<std::uint8_t>(high ^ 0x20)}};
        case WordLayout::Xor80:
            return {{2 * j, low}, {2 * j + 1, static_cast<std::uint8_t>(high ^ 0x80)}};
        case WordLayout::Plain:
            return {{2 * j, low}, {2 * j + 1, high}};
    }
    return {};
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

    // 10 ms in the unit the model counts in.
    const std::uint32_t count = 10000 / model.integrationUnitUs;
    ASSERT_TRUE(command(*unit, model.commandOut,
                        {0x02, static_cast<std::uint8_t>(count & 0xFF),
                         static_cast<std::uint8_t>(count >> 8), 0, 0}));
    ASSERT_TRUE(command(*unit, model.commandOut, {0xFE}));
    const auto status = reply(*unit, model.controlIn, 16);
    ASSERT_TRUE(status.has_value());
    ASSERT_EQ(status->size(), 16u);
    EXPECT_EQ((*status)[0] | ((*status)[1] << 8), model.pixels);
    EXPECT_EQ(Bytes(status->begin() + 2, status->begin() + 6), (Bytes{0x10, 0x27, 0x00, 0x00}));
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

INSTANTIATE_TEST_SUITE_P(SimModels, SimModelFrames, ::testing::ValuesIn(modelCases()),
                         [](const auto& info) { return testName(info.param.model); });

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
