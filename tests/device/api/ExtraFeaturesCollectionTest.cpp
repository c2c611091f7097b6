#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdio>
#include <deque>
#include <functional>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "device/api/ExtraFeaturesCollection.h"
#include "device/buses/usb/USBBusModels.h"
#include "device/common/Exceptions.h"
#include "device/support/Scripted.h"
#include "device/support/ScriptedUsbFixture.h"
#include "device/support/TimedUsbPlatform.h"

namespace spectro::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

const std::string READ_NOTHING =
    "Caught BusTransferException in readUSB: Failed to read any data from USB.";
const std::string WRITE_NOTHING =
    "Caught BusTransferException in writeUSB: Failed to write any data to USB.";

// What a call threw: the kind matters because the facade and the acquisition thread report
// both kinds, and tests must tell a short transfer from one that moved nothing.
struct Failure {
    std::string kind;
    std::string message;
    bool operator==(const Failure&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Failure& failure) {
    return out << failure.kind << " \"" << failure.message << "\"";
}

Failure feature(const std::string& message) { return {"FeatureException", message}; }
Failure control(const std::string& message) { return {"FeatureControlException", message}; }

Failure failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const FeatureControlException& e) {
        return control(e.what());
    } catch (const FeatureException& e) {
        return feature(e.what());
    } catch (const std::exception& e) {
        return {"other", e.what()};
    }
    return {"nothing thrown", ""};
}

// The frame layout of each spectrometer type, as the unit sends it.
struct Layout {
    std::int32_t type;
    std::size_t frameBytes;
    std::size_t values;
    std::uint8_t highByteXor;
};
const Layout TYPE_1{1, 4097, 2048, 0x20};
const Layout TYPE_2{2, 4609, 2068, 0x00};

// A distinct 16-bit sample for every pixel of every frame.
double sampleOf(std::size_t frame, std::size_t pixel) {
    return static_cast<double>((frame * 1009 + pixel * 7) % 65536);
}

// Frame `index` of a burst. The bytes between the samples and the sync byte are not zero, so
// that decoding them would show.
Bytes frameOf(const Layout& layout, std::size_t index, std::uint8_t sync = 0x69) {
    Bytes bytes(layout.frameBytes, 0xEE);
    for (std::size_t j = 0; j < layout.values; ++j) {
        const auto value = static_cast<unsigned>(sampleOf(index, j));
        bytes[2 * j] = static_cast<std::uint8_t>(value & 0xFF);
        bytes[2 * j + 1] = static_cast<std::uint8_t>((value >> 8) ^ layout.highByteXor);
    }
    bytes.back() = sync;
    return bytes;
}

std::vector<std::string> burstEvents(const Layout& layout, std::size_t frames) {
    std::vector<std::string> events;
    for (std::size_t i = 0; i < frames; ++i) {
        events.push_back("write 0x01 09");
        events.push_back("read 0x82 " + std::to_string(layout.frameBytes));
    }
    return events;
}

// Every output of one burst, prefilled with values the collection never produces.
struct Burst {
    Burst(std::size_t spectraSize, std::size_t intervalsSize)
        : spectra(spectraSize, -1.0), intervals(intervalsSize, -1.0) {}

    std::int32_t run(ExtraFeaturesCollection& collection, const Bus& bus, std::int32_t count) {
        return collection.CollectSpectra(bus, count, spectra, &pixels, intervals, &first, &started);
    }
    // How many values of rows [from, to) differ from the samples of their frames.
    int wrongSamples(const Layout& layout, std::size_t from, std::size_t to) const {
        int wrong = 0;
        for (std::size_t k = from * layout.values; k < to * layout.values && k < spectra.size();
             ++k)
            wrong += spectra[k] != sampleOf(k / layout.values, k % layout.values);
        return wrong;
    }

    std::vector<double> spectra;
    std::vector<double> intervals;
    std::int32_t pixels = -1;
    std::optional<std::int64_t> first = 42;
    std::atomic<std::uint8_t> started{0};
};

class ExtraFeaturesCollectionTest : public OpenedHR2000PlusFixture {
  protected:
    // The collection does not look at the bus model, so both types run on this bus.
    ExtraFeaturesCollection& collectionOf(const Layout& layout) {
        return layout.type == 1 ? hr2000Plus : maya2000Pro;
    }
    void queueFrames(const Layout& layout, std::size_t frames) {
        for (std::size_t i = 0; i < frames; ++i) unit->reply(0x82, frameOf(layout, i));
    }

    ExtraFeaturesCollection hr2000Plus{1, 0x01, 0x81, 0x00, 0x82, 0x86};
    ExtraFeaturesCollection maya2000Pro{2, 0x01, 0x81, 0x00, 0x82, 0x86};
};

TEST_F(ExtraFeaturesCollectionTest, IsItsOwnFamilyAndInitialisesWithoutIO) {
    const legacyProtocol::LegacyProtocol protocol;
    EXPECT_TRUE(hr2000Plus.initialize(protocol, bus));
    EXPECT_EQ(hr2000Plus.getFeatureFamily().getType(), 21);
    EXPECT_EQ(hr2000Plus.getFeatureFamily().getName(), "ExtraFeaturesCollection");
    EXPECT_TRUE(unit->events.empty());
}

struct CommandCase {
    std::string name;
    std::function<double(ExtraFeaturesCollection&, const Bus&)> call;
    std::vector<Bytes> replies;  // from 0x81
    std::vector<std::string> events;
    double result;
};

TEST_F(ExtraFeaturesCollectionTest, CommandsHaveTheirExactBytesAndDecodeTheirReplies) {
    using C = ExtraFeaturesCollection;
    const std::vector<CommandCase> cases = {
        {"firmware version",
         [](C& c, const Bus& b) { return c.getFWversion(b); },
         {{0x00, 0x34, 0x12}},
         {"write 0x01 6B 04", "read 0x81 3"},
         0x1234},
        {"firmware version is signed 16-bit",
         [](C& c, const Bus& b) { return c.getFWversion(b); },
         {{0x6B, 0xFE, 0xFF}},
         {"write 0x01 6B 04", "read 0x81 3"},
         -2},
        {"strobe high delay",
         [](C& c, const Bus& b) { return c.getSingleStrobeHighClockTransitionDelay(b); },
         {{0x00, 0x10, 0x00}},
         {"write 0x01 6B 38", "read 0x81 3"},
         16},
        {"strobe low delay",
         [](C& c, const Bus& b) { return c.getSingleStrobeLowClockTransitionDelay(b); },
         {{0x00, 0x00, 0x80}},
         {"write 0x01 6B 3C", "read 0x81 3"},
         -32768},
        {"set strobe high delay",
         [](C& c, const Bus& b) {
             c.setSingleStrobeHighClockTransitionDelay(b, 0x1234);
             return 0;
         },
         {},
         {"write 0x01 6A 38 34 12"},
         0},
        {"set strobe low delay keeps bits 0 to 15",
         [](C& c, const Bus& b) {
             c.setSingleStrobeLowClockTransitionDelay(b, 0x12345);
             return 0;
         },
         {},
         {"write 0x01 6A 3C 45 23"},
         0},
        {"PCB temperature",
         [](C& c, const Bus& b) { return c.getPCBTemperature(b); },
         {{0x08, 0x00, 0x19}},
         {"write 0x01 6C", "read 0x81 3"},
         24.9984},
        {"PCB temperature below zero",
         [](C& c, const Bus& b) { return c.getPCBTemperature(b); },
         {{0x08, 0x00, 0xFF}},
         {"write 0x01 6C", "read 0x81 3"},
         -0.999936},
        {"board temperature of type 1 is the PCB temperature",
         [](C& c, const Bus& b) { return c.getBoardTemperature(b); },
         {{0x08, 0x00, 0x19}},
         {"write 0x01 6C", "read 0x81 3"},
         24.9984},
    };
    for (const CommandCase& test : cases) {
        SCOPED_TRACE(test.name);
        unit->events.clear();
        for (const Bytes& reply : test.replies) unit->reply(0x81, reply);
        EXPECT_NEAR(test.call(hr2000Plus, bus), test.result, 1e-9);
        EXPECT_THAT(unit->describeEvents(), ElementsAreArray(test.events));
        EXPECT_TRUE(unit->replies[0x81].empty());
    }
}

TEST_F(ExtraFeaturesCollectionTest, CallsWithoutIO) {
    EXPECT_TRUE(std::isnan(maya2000Pro.getBoardTemperature(bus)));

    ExtraFeaturesCollection unknown{3, 0x01, 0x81, 0x00, 0x82, 0x86};
    Burst burst(2048, 1);
    EXPECT_EQ(failureOf([&] { burst.run(unknown, bus, 1); }),
              feature("ExtraFeaturesCollection::CollectSpectra - Wrong SpectrometerType"));
    EXPECT_EQ(burst.pixels, -1);
    EXPECT_TRUE(unit->events.empty());
}

struct StatusOutputs {
    std::int16_t pixelCount = -7;
    std::int32_t integrationTime = -7;
    bool lampEnabled = false, powerDown = false, highSpeed = false;
    std::uint8_t triggerMode = 7, acquisitionStatus = 7, packetsInSpectrum = 7, packetCount = 7;
    bool operator==(const StatusOutputs&) const = default;
};

TEST_F(ExtraFeaturesCollectionTest, StatusFillsTheOutputsGiven) {
    struct StatusCase {
        Bytes reply;
        StatusOutputs expected;
    };
    const std::vector<StatusCase> cases = {
        {{0x00, 0x08, 0xA0, 0x0F, 0x00, 0x00, 1, 3, 4, 5, 1, 6, 0xAA, 0xBB, 0x80, 0xCC},
         {2048, 4000, true, true, true, 3, 4, 5, 6}},
        // Flags are set only by their exact value; the counts are signed.
        {{0xFF, 0xFF, 0x01, 0x02, 0x03, 0x84, 2, 0, 0, 0, 0xFF, 0, 0, 0, 0x81, 0},
         {-1, static_cast<std::int32_t>(0x84030201u), false, false, false, 0, 0, 0, 0}},
    };
    for (const StatusCase& test : cases) {
        unit->events.clear();
        unit->reply(0x81, test.reply);
        StatusOutputs s;
        EXPECT_EQ(hr2000Plus.queryStatus(bus, &s.pixelCount, &s.integrationTime, &s.lampEnabled,
                                         &s.triggerMode, &s.acquisitionStatus, &s.packetsInSpectrum,
                                         &s.powerDown, &s.packetCount, &s.highSpeed),
                  9);
        EXPECT_EQ(s, test.expected);
        EXPECT_THAT(unit->describeEvents(), ElementsAre("write 0x01 FE", "read 0x81 16"));
    }

    unit->reply(0x81, cases[0].reply);
    std::int32_t integrationTime = 0;
    EXPECT_EQ(hr2000Plus.queryStatus(bus, nullptr, &integrationTime, nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, nullptr),
              1);
    EXPECT_EQ(integrationTime, 4000);
}

// The texts of slots 1 to 14 used below, and what they parse to.
const std::vector<std::pair<std::string, double>> SLOT_TEXTS = {
    {"500.5", 500.5}, {"0.25", 0.25}, {"-1e-5", -1e-5}, {"2.5e-9", 2.5e-9},
    {"0.001", 0.001}, {"1.5", 1.5},   {"-0.5", -0.5},   {"2e-3", 2e-3},
    {"3", 3},         {"4", 4},       {"5", 5},         {"6", 6},
    {"7.25", 7.25},   {"7", 7}};

TEST_F(ExtraFeaturesCollectionTest, CalibrationReadsOnlyTheSlotsOfTheOutputsGiven) {
    struct CalibrationCase {
        std::string name;
        bool wavelength, strayLight, nonlinearity;
        std::vector<int> slots;
        std::int32_t order;
    };
    const std::vector<CalibrationCase> cases = {
        {"all", true, true, true, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, 7},
        {"nonlinearity only", false, false, true, {6, 7, 8, 9, 10, 11, 12, 13, 14}, 7},
        {"wavelength only", true, false, false, {1, 2, 3, 4}, 0},
        {"stray light only", false, true, false, {5}, 0},
        {"nothing", false, false, false, {}, 0},
    };
    for (const CalibrationCase& test : cases) {
        SCOPED_TRACE(test.name);
        unit->events.clear();
        std::vector<std::string> events;
        for (int slot : test.slots) {
            unit->reply(0x81,
                        slotReply(static_cast<std::uint8_t>(slot), SLOT_TEXTS[slot - 1].first));
            char line[32];
            std::snprintf(line, sizeof line, "write 0x01 05 %02X", slot);
            events.push_back(line);
            events.push_back("read 0x81 17");
        }
        std::array<double, 4> wavelength{-9, -9, -9, -9};
        std::array<double, 8> nonlinearity{-9, -9, -9, -9, -9, -9, -9, -9};
        double strayLight = -9;
        EXPECT_EQ(hr2000Plus.getCalibration(bus, test.wavelength ? &wavelength : nullptr,
                                            test.nonlinearity ? &nonlinearity : nullptr,
                                            test.strayLight ? &strayLight : nullptr),
                  test.order);
        EXPECT_THAT(unit->describeEvents(), ElementsAreArray(events));
        if (test.wavelength) {
            for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(wavelength[i], SLOT_TEXTS[i].second);
        }
        if (test.strayLight) {
            EXPECT_DOUBLE_EQ(strayLight, SLOT_TEXTS[4].second);
        }
        if (test.nonlinearity) {
            for (int i = 0; i < 8; ++i) EXPECT_DOUBLE_EQ(nonlinearity[i], SLOT_TEXTS[5 + i].second);
        }
    }
}

TEST_F(ExtraFeaturesCollectionTest, SlotTextParsesItsLeadingNumberWithinTheSlot) {
    const std::vector<std::pair<Bytes, double>> numbers = {
        {textBytes("1.5abc"), 1.5},
        {textBytes("  -2.5e-3"), -2.5e-3},
        {textBytes("+4"), 4},
        {textBytes("abc"), 0},
        {textBytes(""), 0},
        {textBytes("+-1"), 0},
        {textBytes("1e999"), 0},
        {textBytes("nan"), 0},
        {{'1', '2', 0, '3', '4'}, 12},                    // ends at the first zero byte
        {textBytes("123456789012345"), 123456789012345},  // fills the slot, no zero byte
    };
    for (const auto& [text, value] : numbers) {
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        unit->reply(0x81, slotReply(5, text));
        double strayLight = -9;
        hr2000Plus.getCalibration(bus, nullptr, nullptr, &strayLight);
        EXPECT_DOUBLE_EQ(strayLight, value);
    }

    const std::vector<std::pair<std::string, std::int32_t>> orders = {
        {"3", 3}, {"3.9", 3}, {" 5x", 5}, {"x", 0}, {"99999999999", 0}};
    for (const auto& [text, order] : orders) {
        SCOPED_TRACE(text);
        for (std::uint8_t slot = 6; slot <= 13; ++slot) unit->reply(0x81, slotReply(slot, "0"));
        unit->reply(0x81, slotReply(14, text));
        std::array<double, 8> nonlinearity{};
        EXPECT_EQ(hr2000Plus.getCalibration(bus, nullptr, &nonlinearity, nullptr), order);
    }
}

TEST_F(ExtraFeaturesCollectionTest, RawTransfersUseTheNamedPipeAndReturnTheCountMoved) {
    const Bytes command{0x6C};
    EXPECT_EQ(hr2000Plus.writeUSB(bus, 0x02, command.data(), 1), 1);
    unit->reply(0x87, {0x08, 0x40});
    std::uint8_t reply[3] = {0xAA, 0xAA, 0xAA};
    EXPECT_EQ(hr2000Plus.readUSB(bus, 0x87, reply, 3), 2);  // short, but not a failure
    EXPECT_THAT(reply, ElementsAre(0x08, 0x40, 0xAA));
    EXPECT_EQ(hr2000Plus.writeUSB(bus, 0x01, nullptr, 0), 0);
    EXPECT_EQ(hr2000Plus.readUSB(bus, 0x81, reply, 0), 0);  // does not wait on the pipe
    EXPECT_THAT(unit->describeEvents(), ElementsAre("write 0x02 6C", "read 0x87 3", "write 0x01"));

    unit->writeResults = {0};
    EXPECT_EQ(failureOf([&] { hr2000Plus.writeUSB(bus, 0x01, command.data(), 1); }),
              control(WRITE_NOTHING));
    EXPECT_EQ(failureOf([&] { hr2000Plus.readUSB(bus, 0x81, reply, 3); }), control(READ_NOTHING));
}

TEST_F(ExtraFeaturesCollectionTest, ABusWithoutAUsbObjectFailsEveryTransfer) {
    HR2000PlusUSB unlocated;
    std::uint8_t byte = 0;
    EXPECT_EQ(failureOf([&] { hr2000Plus.readUSB(unlocated, 0x81, &byte, 1); }),
              control(READ_NOTHING));
    EXPECT_EQ(failureOf([&] { hr2000Plus.getFWversion(unlocated); }), control(WRITE_NOTHING));
    Burst burst(2048, 1);
    EXPECT_EQ(failureOf([&] { burst.run(hr2000Plus, unlocated, 1); }), control(WRITE_NOTHING));
    EXPECT_FALSE(burst.first.has_value());
}

struct FailureCase {
    std::string name;
    std::function<void(ExtraFeaturesCollection&, const Bus&)> call;
    std::deque<int> writeResults;
    std::vector<std::pair<std::uint8_t, Bytes>> replies;
    Failure expected;
};

void burstOfTwo(ExtraFeaturesCollection& c, const Bus& b) { Burst(4096, 2).run(c, b, 2); }

TEST_F(ExtraFeaturesCollectionTest, FailuresHaveTheirExactMessageAndKind) {
    using C = ExtraFeaturesCollection;
    const std::string prefix = "ExtraFeaturesCollection::";
    auto fw = [](C& c, const Bus& b) { c.getFWversion(b); };
    auto high = [](C& c, const Bus& b) { c.getSingleStrobeHighClockTransitionDelay(b); };
    auto low = [](C& c, const Bus& b) { c.getSingleStrobeLowClockTransitionDelay(b); };
    auto pcb = [](C& c, const Bus& b) { c.getPCBTemperature(b); };
    auto board = [](C& c, const Bus& b) { c.getBoardTemperature(b); };
    auto status = [](C& c, const Bus& b) {
        std::int32_t time = 0;
        c.queryStatus(b, nullptr, &time, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                      nullptr);
    };
    auto strayLight = [](C& c, const Bus& b) {
        double value = 0;
        c.getCalibration(b, nullptr, nullptr, &value);
    };
    const Bytes shortFrame(4096, 0);
    const std::vector<FailureCase> cases = {
        {"firmware short write",
         fw,
         {1},
         {},
         feature(prefix + "getFWversion - Write to USB failed")},
        {"firmware write moves nothing", fw, {0}, {}, control(WRITE_NOTHING)},
        {"firmware short reply",
         fw,
         {},
         {{0x81, {0x00, 0x34}}},
         feature(prefix + "getFWversion - Read from USB failed")},
        {"firmware without reply", fw, {}, {}, control(READ_NOTHING)},
        {"strobe high short write",
         high,
         {1},
         {},
         feature(prefix + "getSingleStrobeHighClockTransitionDelay - Write to USB failed")},
        {"strobe high short reply",
         high,
         {},
         {{0x81, {0x00}}},
         feature(prefix + "getSingleStrobeHighClockTransitionDelay - Read from USB failed")},
        {"strobe low short write",
         low,
         {1},
         {},
         feature(prefix + "getSingleStrobeLowClockTransitionDelay - Write to USB failed")},
        {"strobe low short reply",
         low,
         {},
         {{0x81, {0x00, 0x01}}},
         feature(prefix + "getSingleStrobeLowClockTransitionDelay - Read from USB failed")},
        {"set strobe high short write",
         [](C& c, const Bus& b) { c.setSingleStrobeHighClockTransitionDelay(b, 1); },
         {3},
         {},
         feature(prefix + "setSingleStrobeHighClockTransitionDelay - Write to USB failed")},
        {"set strobe low short write",
         [](C& c, const Bus& b) { c.setSingleStrobeLowClockTransitionDelay(b, 1); },
         {2},
         {},
         feature(prefix + "setSingleStrobeLowClockTransitionDelay - Write to USB failed")},
        {"PCB temperature write count",
         pcb,
         {2},
         {},
         feature(prefix + "getPCBTemperature - Write to USB failed")},
        {"PCB temperature short reply",
         pcb,
         {},
         {{0x81, {0x08, 0x00}}},
         feature(prefix + "getPCBTemperature - Read from USB failed")},
        {"PCB temperature wrong reply",
         pcb,
         {},
         {{0x81, {0x09, 0x00, 0x19}}},
         feature(prefix + "getPCBTemperature failed")},
        {"board temperature passes the PCB failure on",
         board,
         {},
         {{0x81, {0x09, 0x00, 0x19}}},
         feature(prefix + "getPCBTemperature failed")},
        {"status write count",
         status,
         {2},
         {},
         feature(prefix + "queryStatus - Write to USB failed")},
        {"status short reply",
         status,
         {},
         {{0x81, Bytes(15, 0)}},
         feature(prefix + "queryStatus - Read from USB failed")},
        {"calibration short write",
         strayLight,
         {1},
         {},
         feature(prefix + "getCalibration - Write to USB failed")},
        {"calibration short reply",
         strayLight,
         {},
         {{0x81,
           [] {
               Bytes reply = slotReply(5, "1.0");
               reply.pop_back();
               return reply;
           }()}},
         feature(prefix + "getCalibration - Read from USB failed")},
        {"calibration reply of another command",
         strayLight,
         {},
         {{0x81,
           [] {
               Bytes reply = slotReply(5, "1.0");
               reply[0] = 0x06;
               return reply;
           }()}},
         feature(prefix + "getCalibration - Read from USB failed")},
        {"calibration reply of another slot",
         strayLight,
         {},
         {{0x81, slotReply(6, "1.0")}},
         feature(prefix + "getCalibration - Read from USB failed")},
        {"burst write count",
         burstOfTwo,
         {2},
         {},
         feature(prefix + "CollectSpectra - Write to USB failed")},
        {"burst short frame",
         burstOfTwo,
         {},
         {{0x82, shortFrame}},
         feature(prefix + "CollectSpectra - Read from USB failed")},
        {"burst without frame", burstOfTwo, {}, {}, control(READ_NOTHING)},
    };
    for (const FailureCase& test : cases) {
        SCOPED_TRACE(test.name);
        unit->replies.clear();
        unit->writeResults = test.writeResults;
        for (const auto& [endpoint, reply] : test.replies) unit->reply(endpoint, reply);
        EXPECT_EQ(failureOf([&] { test.call(hr2000Plus, bus); }), test.expected);
    }
}

TEST_F(ExtraFeaturesCollectionTest, BurstRequestsAndReadsEveryFrameThenDecodesThem) {
    struct BurstCase {
        Layout layout;
        std::int32_t count;
        double firstSample;  // of a frame starting with 0x34, 0x21
    };
    const std::vector<BurstCase> cases = {
        {TYPE_1, 3, 308},  // 0x21 XOR 0x20 = 0x01
        {TYPE_2, 2, 0x2134},
        {TYPE_1, 1, 308},  // the first timestamp is then taken after the loop
    };
    for (const BurstCase& test : cases) {
        SCOPED_TRACE("type " + std::to_string(test.layout.type) + ", " +
                     std::to_string(test.count) + " frames");
        unit->events.clear();
        queueFrames(test.layout, static_cast<std::size_t>(test.count));
        unit->replies[0x82].front()[0] = 0x34;
        unit->replies[0x82].front()[1] = 0x21;
        const auto count = static_cast<std::size_t>(test.count);
        Burst burst(count * test.layout.values, count);

        const std::int64_t before = steadyNanoseconds();
        EXPECT_EQ(burst.run(collectionOf(test.layout), bus, test.count),
                  static_cast<std::int32_t>(count * test.layout.values));
        const std::int64_t after = steadyNanoseconds();

        EXPECT_THAT(unit->describeEvents(), ElementsAreArray(burstEvents(test.layout, count)));
        EXPECT_EQ(burst.pixels, static_cast<std::int32_t>(test.layout.values));
        EXPECT_EQ(burst.spectra[0], test.firstSample);
        burst.spectra[0] = sampleOf(0, 0);
        EXPECT_EQ(burst.wrongSamples(test.layout, 0, count), 0);
        EXPECT_EQ(burst.started.load(), 1);

        // Nanoseconds of the steady clock, and intervals in seconds between them.
        ASSERT_TRUE(burst.first.has_value());
        EXPECT_GE(*burst.first, before);
        EXPECT_LE(*burst.first, after);
        double total = 0;
        for (double interval : burst.intervals) {
            EXPECT_GT(interval, 0);
            total += interval;
        }
        EXPECT_LE(burst.intervals[0], static_cast<double>(*burst.first - before) / 1e9);
        EXPECT_LE(total, static_cast<double>(after - before) / 1e9);
    }
}

TEST_F(ExtraFeaturesCollectionTest, BurstNeverWritesPastItsSpans) {
    queueFrames(TYPE_1, 2);
    Burst burst(3001, 2);
    const std::span<double> spectra(burst.spectra.data(), 3000);
    const std::span<double> intervals(burst.intervals.data(), 1);
    EXPECT_EQ(hr2000Plus.CollectSpectra(bus, 2, spectra, &burst.pixels, intervals, &burst.first,
                                        &burst.started),
              4096);
    EXPECT_EQ(burst.wrongSamples(TYPE_1, 0, 2), 1);  // only the value past the span
    EXPECT_EQ(burst.spectra[3000], -1.0);
    EXPECT_GT(burst.intervals[0], 0);
    EXPECT_EQ(burst.intervals[1], -1.0);

    // A failed burst clears only inside its spans too.
    EXPECT_EQ(failureOf([&] {
                  hr2000Plus.CollectSpectra(bus, 2, spectra, &burst.pixels, intervals, &burst.first,
                                            &burst.started);
              }),
              control(READ_NOTHING));
    EXPECT_EQ(std::count(burst.spectra.begin(), burst.spectra.end(), 0.0), 3000);
    EXPECT_THAT(burst.intervals, ElementsAre(0.0, -1.0));
}

TEST_F(ExtraFeaturesCollectionTest, BurstsWithoutFramesToTakeDoNoIO) {
    struct NoIOCase {
        std::string name;
        std::int32_t count;
        std::size_t spectraSize, intervalsSize;
        std::int32_t pixels;  // what pixelsPerSpectrum holds afterwards
    };
    const std::vector<NoIOCase> cases = {
        {"no spectra", 0, 2048, 1, 2048},
        {"a negative count", -3, 2048, 1, 2048},
        {"no spectra buffer", 2, 0, 2, -1},
        {"no intervals buffer", 2, 4096, 0, -1},
    };
    for (const NoIOCase& test : cases) {
        SCOPED_TRACE(test.name);
        Burst burst(test.spectraSize, test.intervalsSize);
        EXPECT_EQ(burst.run(hr2000Plus, bus, test.count), 0);
        EXPECT_EQ(burst.pixels, test.pixels);
        EXPECT_EQ(burst.first, 42);
        EXPECT_EQ(burst.started.load(), 0);
        EXPECT_EQ(std::count(burst.spectra.begin(), burst.spectra.end(), -1.0),
                  static_cast<std::ptrdiff_t>(test.spectraSize));
    }
    EXPECT_TRUE(unit->events.empty());
}

TEST_F(ExtraFeaturesCollectionTest, AFrameStoreBeyondReachIsAFeatureException) {
    const Failure refused =
        feature("ExtraFeaturesCollection::CollectSpectra - Cannot allocate the frame store");
    for (std::int32_t count : {INT32_MAX, INT32_MAX / 2048 + 1}) {
        Burst burst(4096, 2);
        EXPECT_EQ(failureOf([&] { burst.run(hr2000Plus, bus, count); }), refused);
        EXPECT_EQ(burst.first, 42);
        EXPECT_EQ(burst.started.load(), 0);
    }
    EXPECT_TRUE(unit->events.empty());
}

TEST_F(ExtraFeaturesCollectionTest, AnOutOfSyncFrameFailsAfterTheWholeBurstWithValuesKept) {
    for (std::size_t i = 0; i < 4; ++i) unit->reply(0x82, frameOf(TYPE_1, i, i == 2 ? 0x00 : 0x69));
    Burst burst(4 * 2048, 4);
    EXPECT_EQ(failureOf([&] { burst.run(hr2000Plus, bus, 4); }),
              feature("ExtraFeaturesCollection::CollectSpectra - Out of sync"));
    EXPECT_THAT(unit->describeEvents(), ElementsAreArray(burstEvents(TYPE_1, 4)));
    EXPECT_EQ(burst.wrongSamples(TYPE_1, 0, 4), 0);
    for (double interval : burst.intervals) EXPECT_GT(interval, 0);
    EXPECT_TRUE(burst.first.has_value());
    EXPECT_EQ(burst.started.load(), 1);
}

TEST_F(ExtraFeaturesCollectionTest, ABurstThatFailsPartWayKeepsTheFramesItTook) {
    enum class Fault { ShortFrame, NoFrame, RequestNotSent };
    struct PartWayCase {
        std::string name;
        std::int32_t count;
        std::size_t failingFrame;
        Fault fault;
        Failure expected;
    };
    const std::string prefix = "ExtraFeaturesCollection::CollectSpectra - ";
    const std::vector<PartWayCase> cases = {
        {"frame 3 of 5 short", 5, 3, Fault::ShortFrame, feature(prefix + "Read from USB failed")},
        {"request 1 of 2 not sent", 2, 1, Fault::RequestNotSent, control(WRITE_NOTHING)},
        {"frame 0 of 5 never arrives", 5, 0, Fault::NoFrame, control(READ_NOTHING)},
        {"frame 0 of 3 short", 3, 0, Fault::ShortFrame, feature(prefix + "Read from USB failed")},
    };
    for (const PartWayCase& test : cases) {
        SCOPED_TRACE(test.name);
        unit->events.clear();
        unit->replies.clear();
        queueFrames(TYPE_1, test.failingFrame);
        if (test.fault == Fault::ShortFrame) {
            // Plausible samples that must not be decoded.
            Bytes partial = frameOf(TYPE_1, test.failingFrame);
            partial.resize(2000);
            unit->reply(0x82, partial);
        }
        if (test.fault == Fault::RequestNotSent) {
            unit->writeResults.assign(test.failingFrame, 1);
            unit->writeResults.push_back(0);
        }
        const auto count = static_cast<std::size_t>(test.count);
        Burst burst(count * 2048, count);

        EXPECT_EQ(failureOf([&] { burst.run(hr2000Plus, bus, test.count); }), test.expected);

        std::vector<std::string> events = burstEvents(TYPE_1, test.failingFrame + 1);
        if (test.fault == Fault::RequestNotSent) events.pop_back();
        EXPECT_THAT(unit->describeEvents(), ElementsAreArray(events));
        EXPECT_EQ(burst.pixels, 2048);
        EXPECT_EQ(burst.wrongSamples(TYPE_1, 0, test.failingFrame), 0);
        for (std::size_t k = test.failingFrame * 2048; k < count * 2048; ++k)
            ASSERT_EQ(burst.spectra[k], 0.0) << "value " << k;
        for (std::size_t k = 0; k < count; ++k) {
            if (k < test.failingFrame)
                EXPECT_GT(burst.intervals[k], 0) << "interval " << k;
            else
                EXPECT_EQ(burst.intervals[k], 0.0) << "interval " << k;
        }
        const bool frameArrived = test.failingFrame > 0;
        EXPECT_EQ(burst.first.has_value(), frameArrived);
        EXPECT_EQ(burst.started.load(), frameArrived ? 1 : 0);
    }
}

class ExtraFeaturesCollectionTimingTest : public ScriptedUsbFixture {
  protected:
    void SetUp() override {
        ScriptedUsbFixture::SetUp();
        auto owned = std::make_unique<TimedUsbPlatform>();
        timed = owned.get();
        installUsbPlatform(std::move(owned));
        unit = timed->scripted.plug("001-1:002", 0x2457, 0x1016);
        bus.setLocation(*bus.probeDevices().at(0));
        ASSERT_TRUE(bus.open());
    }

    TimedUsbPlatform* timed = nullptr;  // owned by the device table
    std::shared_ptr<ScriptedUsbUnit> unit;
    HR2000PlusUSB bus;
    ExtraFeaturesCollection hr2000Plus{1, 0x01, 0x81, 0x00, 0x82, 0x86};
};

TEST_F(ExtraFeaturesCollectionTimingTest,
       TimestampsAreTakenBeforeEachRequestAndAfterTheFirstFrame) {
    for (std::size_t count : {3, 1}) {
        SCOPED_TRACE(std::to_string(count) + " frames");
        for (std::size_t i = 0; i < count; ++i) unit->reply(0x82, frameOf(TYPE_1, i));
        *timed->times = {};
        Burst burst(count * 2048, count);
        burst.run(hr2000Plus, bus, static_cast<std::int32_t>(count));
        const std::int64_t after = steadyNanoseconds();

        const TimedUsbPlatform::Times& times = *timed->times;
        ASSERT_EQ(times.writes.size(), count);
        ASSERT_EQ(times.readsDone.size(), count);
        // Timestamp 1 lies between the end of frame 0 and request 1 (or the end of the call).
        ASSERT_TRUE(burst.first.has_value());
        EXPECT_GE(*burst.first, times.readsDone[0]);
        EXPECT_LE(*burst.first, count > 1 ? times.writes[1] : after);
        // Timestamp k comes before request k and timestamp k + 1 after frame k, so each
        // interval holds its request and its frame; 1 ns of slack for the conversion.
        for (std::size_t k = 0; k < count; ++k)
            EXPECT_GE(burst.intervals[k] * 1e9 + 1,
                      static_cast<double>(times.readsDone[k] - times.writes[k]))
                << "interval " << k;
        EXPECT_GE(burst.intervals[0] * 1e9 + 1,
                  static_cast<double>(*burst.first - times.writes[0]));
    }
}

}  // namespace
}  // namespace spectro::test
