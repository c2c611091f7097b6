// The device side of the legacy commands, driven with raw bytes through the simulated platform.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "tests/sim/support/ModelCases.h"
#include "tests/sim/support/SimTestBench.h"

namespace spectro::sim::test {
namespace {

Bytes slotReply(std::uint8_t slot, const std::string& text) {
    Bytes bytes(17, 0);
    bytes[0] = 0x05;
    bytes[1] = slot;
    std::copy_n(text.begin(), std::min<std::size_t>(text.size(), 15), bytes.begin() + 2);
    return bytes;
}

std::string slotTextOf(const Bytes& reply) {
    return std::string(reinterpret_cast<const char*>(reply.data() + 2),
                       strnlen(reinterpret_cast<const char*>(reply.data() + 2), 15));
}

class SimInformationSlots : public ::testing::TestWithParam<ModelCase> {
  protected:
    Bytes readSlot(UsbConnection& unit, std::uint8_t slot) {
        const ModelCase& model = GetParam();
        EXPECT_TRUE(command(unit, model.commandOut, {0x05, slot}));
        auto bytes = reply(unit, model.controlIn, 17);
        EXPECT_TRUE(bytes.has_value());
        if (!bytes || bytes->size() != 17) return Bytes(17, 0);
        EXPECT_EQ((*bytes)[0], 0x05);
        EXPECT_EQ((*bytes)[1], slot);
        return *bytes;
    }
    double number(UsbConnection& unit, std::uint8_t slot) {
        const std::string text = slotTextOf(readSlot(unit, slot));
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        EXPECT_TRUE(!text.empty() && *end == '\0')
            << "slot " << int(slot) << " holds \"" << text << "\"";
        return value;
    }
};

TEST_P(SimInformationSlots, DefaultsArePlausibleForTheModel) {
    const ModelCase& model = GetParam();
    SimTestBench bench(oneUnitBench(model.model));
    auto unit = bench.open(0);
    ASSERT_NE(unit, nullptr);

    EXPECT_EQ(readSlot(*unit, 0), slotReply(0, "SIM00001"));

    double c[4];
    for (std::uint8_t k = 0; k < 4; ++k) c[k] = number(*unit, static_cast<std::uint8_t>(1 + k));
    auto wavelength = [&](int pixel) {
        const double x = pixel - model.wavelengthOrigin;
        return c[0] + c[1] * x + c[2] * x * x + c[3] * x * x * x;
    };
    const double first = wavelength(0);
    const double middle = wavelength(model.pixels / 2);
    const double last = wavelength(model.pixels - 1);
    EXPECT_GE(first, 150.0);
    EXPECT_LE(last, 2600.0);
    EXPECT_LT(first, middle);
    EXPECT_LT(middle, last);
    EXPECT_GT(last - first, 200.0);

    number(*unit, 5);  // stray light
    for (std::uint8_t slot = 6; slot <= 13; ++slot) number(*unit, slot);
    EXPECT_EQ(slotTextOf(readSlot(*unit, 14)), "7");

    const Bytes slot17 = readSlot(*unit, 17);
    const std::uint8_t* b = slot17.data() + 2;
    switch (model.slot17) {
        case Slot17::Unused:
            break;
        case Slot17::SaturationAt4: {
            const int saturation = b[4] | (b[5] << 8);
            EXPECT_GT(saturation, model.maxIntensity / 2);
            EXPECT_LE(saturation, model.maxIntensity);
            break;
        }
        case Slot17::SaturationAt0: {
            const int saturation = b[0] | (b[1] << 8);
            EXPECT_GT(saturation, model.maxIntensity / 2);
            EXPECT_LE(saturation, model.maxIntensity);
            break;
        }
        case Slot17::Cooler:
        case Slot17::CoolerAndSaturation32: {
            EXPECT_LE(b[0], 1);
            EXPECT_LE(b[1], 1);
            const double setPoint = static_cast<std::int16_t>(b[2] | (b[3] << 8)) / 10.0;
            EXPECT_GE(setPoint, -40.0);
            EXPECT_LE(setPoint, 10.0);
            if (model.slot17 == Slot17::CoolerAndSaturation32) {
                const std::uint32_t saturation =
                    b[4] | (b[5] << 8) | (b[6] << 16) | (std::uint32_t{b[7]} << 24);
                EXPECT_GT(saturation, model.maxIntensity / 2u);
                EXPECT_LE(saturation, model.maxIntensity);
            }
            break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SimModels, SimInformationSlots, ::testing::ValuesIn(modelCases()),
                         [](const auto& info) { return testName(info.param.model); });

// Integration times and trigger modes the model does not have fail the command and change
// nothing; the status block shows what the unit holds.
class SimModelSettings : public ::testing::TestWithParam<ModelCase> {
  protected:
    void SetUp() override {
        bench = std::make_unique<SimTestBench>(oneUnitBench(GetParam().model));
        unit = bench->open(0);
        ASSERT_NE(unit, nullptr);
    }
    Bytes status() {
        EXPECT_TRUE(command(*unit, GetParam().commandOut, {0xFE}));
        return reply(*unit, GetParam().controlIn, 16).value_or(Bytes(16, 0));
    }
    bool setIntegration(std::uint32_t units) {
        Bytes bytes{0x02, 0, 0, 0, 0};
        for (std::size_t k = 0; k < 4; ++k)
            bytes[1 + k] = static_cast<std::uint8_t>((units >> (8 * k)) & 0xFF);
        return command(*unit, GetParam().commandOut, bytes);
    }
    std::uint32_t integrationUs() {
        const Bytes block = status();
        return block[2] | (block[3] << 8) | (block[4] << 16) | (std::uint32_t{block[5]} << 24);
    }
    std::unique_ptr<SimTestBench> bench;
    std::unique_ptr<UsbConnection> unit;
};

TEST_P(SimModelSettings, IntegrationTimeIsTakenOnlyWithinTheModelsLimits) {
    const ModelCase& model = GetParam();
    const std::uint32_t unitUs = model.integrationUnitUs;
    const std::uint32_t lowest = model.integrationMinimumUs / unitUs;
    const std::uint32_t highest = model.integrationMaximumUs / unitUs;
    EXPECT_EQ(integrationUs(), 100000u) << "the default lies within the limits";

    EXPECT_TRUE(setIntegration(lowest));
    EXPECT_EQ(integrationUs(), lowest * unitUs);
    EXPECT_FALSE(setIntegration(lowest - 1));
    EXPECT_FALSE(setIntegration(0));
    EXPECT_EQ(integrationUs(), lowest * unitUs);

    EXPECT_TRUE(setIntegration(highest));
    EXPECT_EQ(integrationUs(), highest * unitUs);
    EXPECT_FALSE(setIntegration(highest + 1));
    EXPECT_FALSE(setIntegration(0xFFFFFFFF));
    EXPECT_EQ(integrationUs(), highest * unitUs);

    EXPECT_TRUE(setIntegration(100000 / unitUs));
    EXPECT_EQ(integrationUs(), 100000u);
}

TEST_P(SimModelSettings, TriggerModeIsTakenOnlyWhenTheModelHasIt) {
    const ModelCase& model = GetParam();
    // 0x0100 and 0xFF00 share the low byte of mode 0: the whole 16-bit value counts.
    for (std::uint16_t mode : {0, 1, 2, 3, 4, 0x0100, 0xFF00}) {
        const bool listed = std::find(model.triggerModes.begin(), model.triggerModes.end(), mode) !=
                            model.triggerModes.end();
        const std::uint8_t before = status()[7];
        EXPECT_EQ(command(*unit, model.commandOut,
                          {0x0A, static_cast<std::uint8_t>(mode & 0xFF),
                           static_cast<std::uint8_t>(mode >> 8)}),
                  listed)
            << "mode " << mode;
        EXPECT_EQ(status()[7], listed ? mode : before) << "mode " << mode;
    }
}

INSTANTIATE_TEST_SUITE_P(SimModels, SimModelSettings, ::testing::ValuesIn(modelCases()),
                         [](const auto& info) { return testName(info.param.model); });

// A small fixture: one opened unit of a model.
class SimUnitCommands : public ::testing::Test {
  protected:
    void start(const std::string& model, const std::string& keys = "") {
        bench = std::make_unique<SimTestBench>(oneUnitBench(model, keys));
        unit = bench->open(0);
        ASSERT_NE(unit, nullptr);
    }
    std::optional<Bytes> ask(const Bytes& bytes, int replyLength, std::uint8_t out = 0x01,
                             std::uint8_t in = 0x81) {
        if (!command(*unit, out, bytes)) return std::nullopt;
        return reply(*unit, in, replyLength);
    }
    std::unique_ptr<SimTestBench> bench;
    std::unique_ptr<UsbConnection> unit;
};

TEST_F(SimUnitCommands, BenchSlotTextsReplaceDefaultsAndWrittenSlotsReadBack) {
    start("USB2000+", R"(, "eeprom": {"5": "1.5", "0": "OVERRIDE"})");
    EXPECT_EQ(ask({0x05, 5}, 17), slotReply(5, "1.5"));
    EXPECT_EQ(ask({0x05, 0}, 17), slotReply(0, "OVERRIDE"));

    Bytes write{0x06, 17, 0x01, 0x00, 0x38, 0xFF};
    write.resize(17, 0);
    ASSERT_TRUE(command(*unit, 0x01, write));
    Bytes expected{0x05, 17, 0x01, 0x00, 0x38, 0xFF};
    expected.resize(17, 0);
    EXPECT_EQ(ask({0x05, 17}, 17), expected);
}

TEST_F(SimUnitCommands, SlotsBeyondTheMemoryAreRefused) {
    start("HR2000+");
    EXPECT_FALSE(command(*unit, 0x01, {0x05, 18}));
    Bytes write{0x06, 18};
    write.resize(17, 0);
    EXPECT_FALSE(command(*unit, 0x01, write));
    EXPECT_FALSE(reply(*unit, 0x81, 17).has_value());  // nothing was queued
}

TEST_F(SimUnitCommands, FpgaRegistersHoldWhatIsWrittenAndTheVersionAtRegister4) {
    start("HR2000+", R"(, "fpga_version": 4660)");
    EXPECT_EQ(ask({0x6B, 0x04}, 3), (Bytes{0x6B, 0x34, 0x12}));
    EXPECT_EQ(ask({0x6B, 0x38}, 3), (Bytes{0x6B, 0x00, 0x00}));
    ASSERT_TRUE(command(*unit, 0x01, {0x6A, 0x38, 0xCD, 0xAB}));
    ASSERT_TRUE(command(*unit, 0x01, {0x6A, 0x3C, 0x01, 0x02}));
    EXPECT_EQ(ask({0x6B, 0x38}, 3), (Bytes{0x6B, 0xCD, 0xAB}));
    EXPECT_EQ(ask({0x6B, 0x3C}, 3), (Bytes{0x6B, 0x01, 0x02}));
}

struct RegisterCase {
    std::uint8_t opcode;  // 0x6B read, 0x6A write
    std::uint8_t address;
    bool accepted;
};

void PrintTo(const RegisterCase& access, std::ostream* out) {
    *out << (access.opcode == 0x6B ? "read " : "write ") << int(access.address);
}

class SimFpgaRegisterAccess : public ::testing::TestWithParam<RegisterCase> {};

// The host reads the version and the strobe delays, and writes the continuous strobe, the
// acquisition delay and the strobe delays; any other address is its mistake.
TEST_P(SimFpgaRegisterAccess, OnlyTheRegistersTheHostUsesAreTaken) {
    const RegisterCase& access = GetParam();
    SimTestBench bench(oneUnitBench("HR2000+"));
    auto unit = bench.open(0);
    ASSERT_NE(unit, nullptr);
    const Bytes bytes = access.opcode == 0x6B ? Bytes{0x6B, access.address}
                                              : Bytes{0x6A, access.address, 0x34, 0x12};
    EXPECT_EQ(command(*unit, 0x01, bytes), access.accepted);
    if (access.opcode == 0x6B && access.accepted) {
        const auto value = reply(*unit, 0x81, 3);
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->size(), 3u);
        EXPECT_EQ((*value)[0], 0x6B);
    }
    EXPECT_FALSE(reply(*unit, 0x81, 3).has_value());  // nothing else is queued
    if (access.opcode == 0x6A && access.accepted && access.address >= 0x38) {
        ASSERT_TRUE(command(*unit, 0x01, {0x6B, access.address}));
        EXPECT_EQ(reply(*unit, 0x81, 3), (Bytes{0x6B, 0x34, 0x12}));
    }
    // A refused access leaves the unit usable.
    ASSERT_TRUE(command(*unit, 0x01, {0x6B, 0x04}));
    EXPECT_EQ(reply(*unit, 0x81, 3), (Bytes{0x6B, 0x00, 0x30}));
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, SimFpgaRegisterAccess,
    ::testing::Values(RegisterCase{0x6B, 0x04, true}, RegisterCase{0x6B, 0x38, true},
                      RegisterCase{0x6B, 0x3C, true}, RegisterCase{0x6B, 0x00, false},
                      RegisterCase{0x6B, 0x08, false}, RegisterCase{0x6B, 0x28, false},
                      RegisterCase{0x6B, 0x39, false}, RegisterCase{0x6B, 0xFF, false},
                      RegisterCase{0x6A, 0x08, true}, RegisterCase{0x6A, 0x0C, true},
                      RegisterCase{0x6A, 0x28, true}, RegisterCase{0x6A, 0x38, true},
                      RegisterCase{0x6A, 0x3C, true}, RegisterCase{0x6A, 0x04, false},
                      RegisterCase{0x6A, 0x00, false}, RegisterCase{0x6A, 0x29, false},
                      RegisterCase{0x6A, 0x3B, false}),
    [](const auto& info) {
        char name[32];
        std::snprintf(name, sizeof name, "%s%02X", info.param.opcode == 0x6B ? "Read" : "Write",
                      info.param.address);
        return std::string(name);
    });

TEST_F(SimUnitCommands, DefaultFpgaVersionIsMajorVersion3) {
    start("Maya2000Pro");
    EXPECT_EQ(ask({0x6B, 0x04}, 3), (Bytes{0x6B, 0x00, 0x30}));
}

TEST_F(SimUnitCommands, BoardTemperatureIsSentInSteps) {
    start("HR2000+");
    EXPECT_EQ(ask({0x6C}, 3), (Bytes{0x08, 0x00, 0x19}));  // 25.0 / 0.003906 = 6400
    start("HR2000+", R"(, "pcb_temperature_c": -10.0)");
    EXPECT_EQ(ask({0x6C}, 3), (Bytes{0x08, 0x00, 0xF6}));  // -2560
}

TEST_F(SimUnitCommands, BoardTemperatureOnlyOnTheHR2000Plus) {
    start("Maya2000Pro");
    EXPECT_FALSE(command(*unit, 0x01, {0x6C}));
}

TEST_F(SimUnitCommands, IrradianceChunksReadBackWhereTheyWereWritten) {
    start("HR2000+");
    Bytes write{0x6E, 60, 0};
    for (int i = 0; i < 60; ++i) write.push_back(static_cast<std::uint8_t>(i + 1));
    ASSERT_TRUE(command(*unit, 0x01, write));
    EXPECT_EQ(ask({0x6D, 60, 0}, 60), Bytes(write.begin() + 3, write.end()));
    EXPECT_EQ(ask({0x6D, 0, 0}, 60), Bytes(60, 0));
    // The last chunk starts at 0xFFC4; a later start would run past the memory.
    EXPECT_EQ(ask({0x6D, 0xC4, 0xFF}, 60), Bytes(60, 0));
    EXPECT_FALSE(command(*unit, 0x01, {0x6D, 0xC5, 0xFF}));
}

TEST_F(SimUnitCommands, CoolerHoldsItsSetPointWhenOn) {
    start("QE65000");
    EXPECT_EQ(ask({0x72}, 2), (Bytes{0xFA, 0x00}));         // off: board temperature, 25.0
    ASSERT_TRUE(command(*unit, 0x01, {0x73, 0xC9, 0xFF}));  // -5.5
    ASSERT_TRUE(command(*unit, 0x01, {0x71, 0x01, 0x00}));
    EXPECT_EQ(ask({0x72}, 2), (Bytes{0xC9, 0xFF}));
}

TEST_F(SimUnitCommands, CoolerCommandsOnlyOnCooledModels) {
    start("HR2000+");
    EXPECT_FALSE(command(*unit, 0x01, {0x71, 0x01, 0x00}));
    EXPECT_FALSE(command(*unit, 0x01, {0x72}));
    EXPECT_FALSE(command(*unit, 0x01, {0x73, 0x00, 0x00}));
}

TEST_F(SimUnitCommands, StatusShowsLampAndTriggerMode) {
    start("HR2000+");
    ASSERT_TRUE(command(*unit, 0x01, {0x03, 0x01, 0x00}));
    ASSERT_TRUE(command(*unit, 0x01, {0x0A, 0x03, 0x00}));
    const auto status = ask({0xFE}, 16);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ((*status)[6], 1);
    EXPECT_EQ((*status)[7], 3);
    EXPECT_EQ((*status)[8], 0);  // no spectrum can be pending when a command is taken
    EXPECT_EQ((*status)[9], 9);  // 4097 bytes in 512-byte packets
}

TEST_F(SimUnitCommands, ReplyIsHandedOutInPiecesWhenReadShort) {
    start("HR2000+");
    ASSERT_TRUE(command(*unit, 0x01, {0x6B, 0x04}));
    EXPECT_EQ(reply(*unit, 0x81, 1), (Bytes{0x6B}));
    EXPECT_EQ(reply(*unit, 0x81, 64), (Bytes{0x00, 0x30}));
    EXPECT_FALSE(reply(*unit, 0x81, 64).has_value());
}

// What a host may leave unread before its next command: that command fails, the leftovers
// are dropped, and the command after it works.
struct Leftover {
    const char* name;
    std::string bench;
    std::vector<Bytes> commands;  // sent first
    std::uint8_t readFrom;        // 0: nothing is read
    int readLength;
};

void PrintTo(const Leftover& leftover, std::ostream* out) { *out << leftover.name; }

class SimUnreadReply : public ::testing::TestWithParam<Leftover> {};

TEST_P(SimUnreadReply, FailsTheNextCommandAndIsDropped) {
    const Leftover& leftover = GetParam();
    SimTestBench bench(leftover.bench);
    auto unit = bench.open(0);
    ASSERT_NE(unit, nullptr);
    UnitPort& port = *bench.bench().units()[0];
    for (const Bytes& bytes : leftover.commands) ASSERT_TRUE(command(*unit, 0x01, bytes));
    Bytes buffer(8192);
    if (leftover.readFrom != 0) {
        const PollResult first = port.poll(leftover.readFrom, buffer.data(), leftover.readLength);
        ASSERT_EQ(first.state, PollState::Ready);
        ASSERT_EQ(first.count, leftover.readLength);
    }

    EXPECT_FALSE(command(*unit, 0x01, {0xFE}));
    for (std::uint8_t in : {0x81, 0x82, 0x86})  // polled: a reply never due would block a read
        EXPECT_EQ(port.poll(in, buffer.data(), 8192).state, PollState::Failed)
            << "bytes left on " << int(in);

    ASSERT_TRUE(command(*unit, 0x01, {0xFE}));
    EXPECT_EQ(port.poll(0x81, buffer.data(), 8192).count, 16);
    ASSERT_TRUE(command(*unit, 0x01, {0x6B, 0x04}));
    EXPECT_EQ(reply(*unit, 0x81, 3), (Bytes{0x6B, 0x00, 0x30}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimUnreadReply,
    ::testing::Values(Leftover{"ShortReplyNotRead", oneUnitBench("HR2000+"), {{0x6B, 0x04}}, 0, 0},
                      Leftover{"ShortReplyPartlyRead", oneUnitBench("HR2000+"), {{0xFE}}, 0x81, 15},
                      Leftover{"FramePartlyRead", oneUnitBench("HR2000+"), {{0x09}}, 0x82, 4096},
                      Leftover{
                          "SecondPartOfASplitFrame", oneUnitBench("USB4000"), {{0x09}}, 0x86, 2048},
                      Leftover{"SpectrumWaitingForTheTrigger",
                               R"({"timing": "fast", "trigger": null, "devices": [
                     {"model": "HR2000+", "serial": "A"}]})",
                               {{0x0A, 0x01, 0x00}, {0x09}},
                               0,
                               0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimUnitCommands, OlderModelsTalkOnTheirOwnEndpoints) {
    start("USB2000");
    EXPECT_FALSE(command(*unit, 0x01, {0xFE}));  // no such endpoint
    EXPECT_EQ(ask({0x6B, 0x04}, 3, 0x02, 0x87), (Bytes{0x6B, 0x00, 0x30}));
    ASSERT_TRUE(command(*unit, 0x02, {0x09}));
    const auto frame = reply(*unit, 0x82, 4097);
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->size(), 4097u);
}

// Protocol mistakes fail at once instead of being ignored or hanging the host.
TEST_F(SimUnitCommands, MalformedCommandsFail) {
    start("HR2000+");
    EXPECT_FALSE(command(*unit, 0x01, {0x02, 0x10, 0x27, 0x00}));  // one byte short
    EXPECT_FALSE(command(*unit, 0x01, {0x09, 0x00}));              // one byte too many
    EXPECT_FALSE(command(*unit, 0x01, {0x55}));                    // no such command
    EXPECT_FALSE(command(*unit, 0x81, {0xFE}));                    // an IN endpoint
    EXPECT_FALSE(reply(*unit, 0x81, 16).has_value());              // nothing pending
    EXPECT_FALSE(reply(*unit, 0x82, 4097).has_value());            // no spectrum requested
    EXPECT_FALSE(reply(*unit, 0x01, 1).has_value());               // an OUT endpoint
}

TEST_F(SimUnitCommands, SettingsOutliveClosingButPendingRepliesDoNot) {
    start("HR2000+");
    ASSERT_TRUE(command(*unit, 0x01, {0x02, 0x10, 0x27, 0x00, 0x00}));
    ASSERT_TRUE(command(*unit, 0x01, {0xFE}));
    unit.reset();
    unit = bench->platform().open("sim:1");
    ASSERT_NE(unit, nullptr) << "a closed unit opens again";
    EXPECT_FALSE(reply(*unit, 0x81, 16).has_value());
    const auto status = ask({0xFE}, 16);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(Bytes(status->begin() + 2, status->begin() + 6), (Bytes{0x10, 0x27, 0x00, 0x00}));
}

TEST_F(SimUnitCommands, AUnitOpensOnlyOnceAtATime) {
    start("HR2000+");
    EXPECT_EQ(bench->platform().open("sim:1"), nullptr);
    EXPECT_EQ(bench->platform().open("sim:2"), nullptr);
}

}  // namespace
}  // namespace spectro::sim::test
