// The bench's faults: a unit that is unplugged after some spectra, a frame with a bad sync
// byte, and commands that fail.

#include <gtest/gtest.h>

#include "tests/sim/support/SimTestBench.h"

namespace spectro::sim::test {
namespace {

TEST(SimDisconnectFault, UnitIsGoneAfterItsSpectraAndEveryTransferFails) {
    SimTestBench bench(R"({"timing": "fast", "devices": [
        {"model": "HR2000+", "serial": "A", "faults": {"disconnect_after_spectra": 2}},
        {"model": "HR2000+", "serial": "B"}]})");
    auto unit = bench.open(0);
    ASSERT_NE(unit, nullptr);
    for (int n = 0; n < 2; ++n) {
        ASSERT_EQ(bench.platform().enumerate().size(), 2u) << "before spectrum " << n;
        ASSERT_TRUE(command(*unit, 0x01, {0x09}));
        const auto frame = reply(*unit, 0x82, 4097);
        ASSERT_TRUE(frame.has_value());
        EXPECT_EQ(frame->size(), 4097u);
    }
    EXPECT_FALSE(command(*unit, 0x01, {0xFE}));
    EXPECT_FALSE(command(*unit, 0x01, {0x09}));
    EXPECT_FALSE(unit->configurationDescriptor().has_value());
    EXPECT_FALSE(unit->clearHalt(0x81));

    const auto listed = bench.platform().enumerate();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].path, "sim:2");
    unit.reset();
    EXPECT_EQ(bench.platform().open("sim:1"), nullptr);
}

TEST(SimDisconnectFault, ASpectrumIsSentOnlyWhenBothOfItsPartsAreRead) {
    SimTestBench bench(R"({"trigger": null, "devices": [
        {"model": "HR4000", "serial": "A", "faults": {"disconnect_after_spectra": 1}}]})");
    auto unit = bench.open(0);
    ASSERT_NE(unit, nullptr);
    ASSERT_TRUE(command(*unit, 0x01, {0x09}));
    // The first 2048 bytes alone do not make a spectrum sent.
    ASSERT_TRUE(reply(*unit, 0x86, 2048).has_value());
    EXPECT_EQ(bench.platform().enumerate().size(), 1u) << "still plugged in";
    ASSERT_TRUE(reply(*unit, 0x82, 5633).has_value());
    EXPECT_TRUE(bench.platform().enumerate().empty());
    EXPECT_FALSE(command(*unit, 0x01, {0xFE}));
}

TEST(SimDisconnectFault, ZeroSpectraMeansTheUnitIsNeverListed) {
    SimTestBench bench(
        R"({"devices": [{"model": "Jaz", "serial": "A", "faults": {"disconnect_after_spectra": 0}}]})");
    EXPECT_TRUE(bench.platform().enumerate().empty());
    EXPECT_EQ(bench.platform().open("sim:1"), nullptr);
}

TEST(SimBadSyncFault, OnlyThatSpectrumEndsWithZero) {
    SimTestBench bench(oneUnitBench("QE65000", R"(, "faults": {"bad_sync_at_spectrum": 1})"));
    auto unit = bench.open(0);
    ASSERT_NE(unit, nullptr);
    std::vector<std::uint8_t> lastBytes;
    for (int n = 0; n < 3; ++n) {
        ASSERT_TRUE(command(*unit, 0x01, {0x09}));
        const auto frame = reply(*unit, 0x82, 2561);
        ASSERT_TRUE(frame.has_value());
        ASSERT_EQ(frame->size(), 2561u);
        lastBytes.push_back(frame->back());
    }
    EXPECT_EQ(lastBytes, (std::vector<std::uint8_t>{0x69, 0x00, 0x69}));
}

TEST(SimBadSyncFault, CountsSpectraFromTheOpening) {
    SimTestBench bench(oneUnitBench("HR2000+", R"(, "faults": {"bad_sync_at_spectrum": 0})"));
    for (int session = 0; session < 2; ++session) {
        auto unit = bench.open(0);
        ASSERT_NE(unit, nullptr);
        ASSERT_TRUE(command(*unit, 0x01, {0x09}));
        const auto frame = reply(*unit, 0x82, 4097);
        ASSERT_TRUE(frame.has_value());
        EXPECT_EQ(frame->back(), 0x00) << "session " << session;
    }
}

TEST(SimFailingOpcodes, OnlyThoseCommandsFail) {
    SimTestBench bench(oneUnitBench("HR2000+", R"(, "faults": {"fail_opcodes": [108, 9]})"));
    auto unit = bench.open(0);
    ASSERT_NE(unit, nullptr);
    EXPECT_FALSE(command(*unit, 0x01, {0x6C}));
    EXPECT_FALSE(reply(*unit, 0x81, 3).has_value());
    EXPECT_FALSE(command(*unit, 0x01, {0x09}));
    EXPECT_FALSE(reply(*unit, 0x82, 4097).has_value());  // no spectrum is coming
    ASSERT_TRUE(command(*unit, 0x01, {0xFE}));
    EXPECT_TRUE(reply(*unit, 0x81, 16).has_value());
}

}  // namespace
}  // namespace spectro::sim::test
