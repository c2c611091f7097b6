// The device side of the framed binary protocol, driven with hand-built messages through the
// simulated USB platform and the byte-stream input: replies byte for byte, acknowledgements and
// refusals, spectra, the Blaze's padding and the strictness rules.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "sim/fbp/FbpMessage.h"
#include "tests/sim/support/FramedMessages.h"
#include "tests/sim/support/ModelCases.h"
#include "tests/sim/support/SimTestBench.h"

namespace spectro::sim::test {
namespace {

using framed::message;

std::uint8_t replyEndpointOf(const std::string& model) { return model == "Ventana" ? 0x82 : 0x81; }

// Sends a message and reads its reply as a host does: the 64 bytes every message has, then the
// rest its header announces. None when a transfer fails.
std::optional<Bytes> ask(UsbConnection& unit, std::uint8_t in, const Bytes& request) {
    if (!command(unit, 0x01, request)) return std::nullopt;
    auto head = reply(unit, in, 64);
    if (!head || head->size() != 64) return head;
    const std::uint32_t rest = framed::get32(*head, 40) - 20;
    if (rest == 0) return head;
    const auto tail = reply(unit, in, static_cast<int>(rest));
    if (!tail) return std::nullopt;
    head->insert(head->end(), tail->begin(), tail->end());
    return head;
}

// One unit of a model on the simulated USB platform.
class FramedUnit : public ::testing::Test {
  protected:
    void start(const std::string& model, const std::string& keys = "") {
        bench = std::make_unique<SimTestBench>(oneUnitBench(model, keys));
        unit = bench->open(0);
        ASSERT_NE(unit, nullptr);
        in = replyEndpointOf(model);
    }
    std::optional<Bytes> ask(const Bytes& request) { return test::ask(*unit, in, request); }

    std::unique_ptr<SimTestBench> bench;
    std::unique_ptr<UsbConnection> unit;
    std::uint8_t in = 0x81;
};

TEST_F(FramedUnit, AnswersTheSerialNumberQueryByteForByte) {
    start("STS");
    const Bytes query{0xC1, 0xC0, 0x00, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
                      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                      0x00, 0x14, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC5, 0xC4, 0xC3, 0xC2};
    const Bytes answer{0xC1, 0xC0, 0x00, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
                       0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x09, 'S',  'I',
                       'M',  '0',  '0',  '0',  '0',  '1',  0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                       0x00, 0x14, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                       0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC5, 0xC4, 0xC3, 0xC2};
    ASSERT_TRUE(command(*unit, 0x01, query));
    EXPECT_EQ(reply(*unit, 0x81, 64), answer);
    EXPECT_FALSE(reply(*unit, 0x81, 64).has_value()) << "one reply per message";
}

struct QueryCase {
    const char* name;
    std::string model;
    std::string keys;  // extra keys of the unit's bench entry
    std::uint32_t type;
    Bytes request;
    Bytes data;  // of the reply
};

void PrintTo(const QueryCase& query, std::ostream* out) { *out << query.name; }

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

class FramedQuery : public ::testing::TestWithParam<QueryCase> {};

TEST_P(FramedQuery, IsAnsweredWithItsDataInAMessageOfItsType) {
    const QueryCase& query = GetParam();
    SimTestBench bench(oneUnitBench(query.model, query.keys));
    auto unit = bench.open(0);
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(ask(*unit, replyEndpointOf(query.model), message(query.type, 0, query.request)),
              message(query.type, 0, query.data));
    // With an acknowledgement asked for, the same data comes flagged as acknowledged.
    EXPECT_EQ(ask(*unit, replyEndpointOf(query.model),
                  message(query.type, framed::ackRequested, query.request)),
              message(query.type, framed::ack, query.data));
}

using framed::f32;
using framed::text;
using framed::u32;

INSTANTIATE_TEST_SUITE_P(
    Cases, FramedQuery,
    ::testing::Values(
        QueryCase{"SerialNumberMaximumLength", "Blaze", "", 0x00000101, {}, {16}},
        QueryCase{"HardwareRevision", "STS", "", 0x00000080, {0}, {2}},
        QueryCase{"FirmwareRevision", "Spark", "", 0x00000090, {0, 0}, {0x07, 0x01}},
        QueryCase{"FirstWavelengthCoefficient", "STS", "", 0x00180101, {0}, f32(350.0f)},
        QueryCase{"NonlinearityCount", "Ventana", "", 0x00181100, {}, {8}},
        QueryCase{"FirstNonlinearityCoefficient", "QE-PRO", "", 0x00181101, {0}, f32(0.95f)},
        QueryCase{"StrayLightCount", "Blaze", "", 0x00183100, {}, {2}},
        QueryCase{"StrayLightCoefficient", "Blaze", "", 0x00183101, {0}, f32(0.25f)},
        QueryCase{"LargestBinningFactor", "STS", "", 0x00110281, {0}, {3}},
        QueryCase{"BinningFactorAtFirst", "STS", "", 0x00110280, {0}, {0}},
        QueryCase{"BoardTemperatureIsSensor0",
                  "STS",
                  R"(, "pcb_temperature_c": 31.5)",
                  0x00400001,
                  {0, 0, 0, 0},
                  f32(31.5f)},
        QueryCase{"TemperatureCount", "Spark", "", 0x00400000, {}, {3}},
        QueryCase{"AllTemperatures",
                  "Spark",
                  "",
                  0x00400002,
                  {0},
                  concat({f32(25.0f), f32(26.25f), f32(28.5f)})},
        QueryCase{"OpticalBenchId", "STS", "", 0x001B0000, {}, text("OB-STS")},
        QueryCase{"OpticalBenchSerialNumber", "Spark", "", 0x001B0100, {}, text("OBSIM00001")},
        QueryCase{"GratingTextTravelsAsPayload",
                  "Spark",
                  "",
                  0x001B0400,
                  {},
                  text("600 lines/mm, 500 nm blaze")},
        QueryCase{"SlitWidth", "Spark", "", 0x001B0200, {0}, {25, 0}},
        QueryCase{"FiberDiameter", "STS", "", 0x001B0300, {0}, {0x90, 0x01}},
        QueryCase{"ScansToAverage", "STS", "", 0x00120000, {0, 0}, {1, 0}},
        QueryCase{"CollectionArea", "QE-PRO", "", 0x00182003, {}, f32(0.119f)},
        QueryCase{"BufferMaximumCapacity", "QE-PRO", "", 0x00100820, {}, u32(15000)},
        QueryCase{"BufferCapacityStartsAtTheMaximum", "QE-PRO", "", 0x00100822, {}, u32(15000)},
        QueryCase{"IdleCoolerSitsAtBoardTemperature",
                  "Ventana",
                  R"(, "pcb_temperature_c": 27.25)",
                  0x00420004,
                  {},
                  f32(27.25f)},
        QueryCase{"LightSourceStartsDisabled", "Ventana", "", 0x00810021, {0, 0}, {0}},
        QueryCase{"LightSourceIntensity", "Ventana", "", 0x00810041, {0, 0}, f32(1.0f)},
        QueryCase{"SaturationLevel", "Blaze", "", 0x001010A0, {}, u32(60000)}),
    [](const auto& info) { return std::string(info.param.name); });

// Commands asked to acknowledge: accepted ones get an ACK, refused ones a NACK, both as a bare
// 64-byte message of the command's type.
struct CommandCase {
    const char* name;
    std::string model;
    std::uint32_t type;
    Bytes data;
    bool accepted;
};

void PrintTo(const CommandCase& command, std::ostream* out) { *out << command.name; }

class FramedCommand : public ::testing::TestWithParam<CommandCase> {};

TEST_P(FramedCommand, IsAcknowledgedOrRefused) {
    const CommandCase& sent = GetParam();
    SimTestBench bench(oneUnitBench(sent.model));
    auto unit = bench.open(0);
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(ask(*unit, replyEndpointOf(sent.model),
                  message(sent.type, framed::ackRequested, sent.data)),
              message(sent.type, sent.accepted ? framed::ack : framed::nack));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FramedCommand,
    ::testing::Values(
        CommandCase{"ShortestIntegrationTime", "STS", 0x00110010, u32(10), true},
        CommandCase{"IntegrationTimeBelowTheShortest", "STS", 0x00110010, u32(9), false},
        CommandCase{"LongestIntegrationTime", "STS", 0x00110010, u32(85000000), true},
        CommandCase{"IntegrationTimeAboveTheLongest", "STS", 0x00110010, u32(85000001), false},
        CommandCase{"QEProIntegrationTimeBelowTheShortest", "QE-PRO", 0x00110010, u32(9999), false},
        CommandCase{"BlazeShortestIntegrationTime", "Blaze", 0x00110010, u32(1000), true},
        CommandCase{"BlazeIntegrationTimeBelowTheShortest", "Blaze", 0x00110010, u32(999), false},
        CommandCase{"IntegrationTimeOfTwoBytes", "STS", 0x00110010, {0x10, 0x27}, false},
        CommandCase{"TriggerModeTheModelHas", "STS", 0x00110110, {2}, true},
        CommandCase{"TriggerModeTheModelLacks", "STS", 0x00110110, {3}, false},
        CommandCase{"QEProTriggerMode3", "QE-PRO", 0x00110110, {3}, true},
        CommandCase{"VentanaHasOnlySoftwareTrigger", "Ventana", 0x00110110, {1}, false},
        CommandCase{"LargestBinningFactor", "STS", 0x00110290, {3}, true},
        CommandCase{"BinningFactorAboveTheLargest", "STS", 0x00110290, {4}, false},
        CommandCase{"ResetDefaultBinningWithoutData", "STS", 0x00110295, {}, true},
        CommandCase{"LongestAcquisitionDelay", "STS", 0x00110510, u32(335500), true},
        CommandCase{"AcquisitionDelayAboveTheLongest", "STS", 0x00110510, u32(335501), false},
        CommandCase{"ShutterTakesOnlyOpenOrClosed", "Spark", 0x00110610, {2}, false},
        CommandCase{"BufferCapacityOfNone", "QE-PRO", 0x00100832, u32(0), false},
        CommandCase{"BufferCapacityAboveTheMaximum", "QE-PRO", 0x00100832, u32(15001), false},
        CommandCase{"ClearBuffer", "QE-PRO", 0x00100830, {}, true},
        CommandCase{"CoolerSetPoint", "QE-PRO", 0x00420011, f32(-12.5f), true},
        CommandCase{"CoolerSetPointNotANumber", "QE-PRO", 0x00420011, f32(std::nanf("")), false},
        CommandCase{"LightSourceOnModule1", "Ventana", 0x00810031, {1, 0, 1}, false},
        CommandCase{"LightSourceIntensityAboveFull", "Ventana", 0x00810051,
                    concat({{0, 0}, f32(1.5f)}), false},
        CommandCase{"StrobePeriod", "QE-PRO", 0x00310010, u32(100000), true},
        CommandCase{"LampOnTheBlaze", "Blaze", 0x00110410, {1}, true},
        // Messages of groups the model lacks, and types no model has.
        CommandCase{"SaturationOnTheSTS", "STS", 0x001010A0, {}, false},
        CommandCase{"BinningOnTheSpark", "Spark", 0x00110290, {1}, false},
        CommandCase{"TemperaturesOnTheQEPro", "QE-PRO", 0x00400000, {}, false},
        CommandCase{"UnknownType", "Blaze", 0x00ABCDEF, {}, false},
        // Queries with a request the unit cannot use.
        CommandCase{"HardwareRevisionWithoutItsByte", "STS", 0x00000080, {}, false},
        CommandCase{"WavelengthCoefficient4", "Spark", 0x00180101, {4}, false},
        CommandCase{"TemperatureSensor3", "STS", 0x00400001, {3, 0, 0, 0}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FramedUnit, ACommandWithoutAskingForAnAcknowledgementGetsNoReply) {
    start("STS");
    ASSERT_TRUE(command(*unit, 0x01, message(0x00110010, 0, u32(20000))));
    EXPECT_FALSE(reply(*unit, 0x81, 64).has_value());
    // A refusal is always sent: the host must not take a refused command for done.
    EXPECT_EQ(ask(message(0x00110010, 0, u32(5))), message(0x00110010, framed::nack));
}

TEST_F(FramedUnit, BenchListedMessageTypesAreRefused) {
    start("STS", R"(, "faults": {"nack_message_types": ["0x00000100", 1114128]})");
    EXPECT_EQ(ask(message(0x00000100)), message(0x00000100, framed::nack));
    EXPECT_EQ(ask(message(0x00110010, framed::ackRequested, u32(20000))),
              message(0x00110010, framed::nack));
    EXPECT_EQ(ask(message(0x00000080, 0, {0})), message(0x00000080, 0, {2})) << "others answer";
}

TEST_F(FramedUnit, SettingsReadBack) {
    start("STS");
    const auto acked = [&](std::uint32_t type, const Bytes& data) {
        return ask(message(type, framed::ackRequested, data)) == message(type, framed::ack);
    };
    ASSERT_TRUE(acked(0x00110290, {2}));
    EXPECT_EQ(ask(message(0x00110280, 0, {0})), message(0x00110280, 0, {2}));
    ASSERT_TRUE(acked(0x00110295, {1}));
    EXPECT_EQ(ask(message(0x00110285, 0, {0})), message(0x00110285, 0, {1}));
    ASSERT_TRUE(acked(0x00110295, {}));
    EXPECT_EQ(ask(message(0x00110285, 0, {0})), message(0x00110285, 0, {0}));
    ASSERT_TRUE(acked(0x00120010, {0x10, 0x00}));
    EXPECT_EQ(ask(message(0x00120000, 0, {0, 0})), message(0x00120000, 0, {0x10, 0x00}));
    ASSERT_TRUE(acked(0x00121010, {5}));
    EXPECT_EQ(ask(message(0x00121000, 0, {0})), message(0x00121000, 0, {5}));

    // A calibration of ten values replaces the first ten of the unit's 1024.
    Bytes ten;
    for (int i = 0; i < 10; ++i) ten = concat({ten, f32(2.0f + static_cast<float>(i))});
    ASSERT_TRUE(acked(0x00182011, ten));
    const auto calibration = ask(message(0x00182001));
    ASSERT_TRUE(calibration.has_value());
    ASSERT_EQ(calibration->size(), 64u + 4096u);
    EXPECT_EQ(framed::get32(*calibration, 40), 4096u + 20u);
    EXPECT_EQ(Bytes(calibration->begin() + 44, calibration->begin() + 84), ten);
    Bytes tooMany(4 * 1025, 0);
    EXPECT_EQ(ask(message(0x00182011, framed::ackRequested, tooMany)),
              message(0x00182011, framed::nack));
}

TEST_F(FramedUnit, ARunningCoolerHoldsItsSetPoint) {
    start("QE-PRO");
    ASSERT_EQ(ask(message(0x00420011, framed::ackRequested, f32(-12.5f))),
              message(0x00420011, framed::ack));
    ASSERT_EQ(ask(message(0x00420010, framed::ackRequested, {1})),
              message(0x00420010, framed::ack));
    EXPECT_EQ(ask(message(0x00420004)), message(0x00420004, 0, f32(-12.5f)));
}

TEST_F(FramedUnit, TheDataBufferCountsSpectraUpToItsCapacity) {
    start("QE-PRO", R"(, "pattern": "ramp")");
    ASSERT_EQ(ask(message(0x00100832, framed::ackRequested, u32(2))),
              message(0x00100832, framed::ack));
    for (int n = 0; n < 3; ++n) {
        ASSERT_TRUE(command(*unit, 0x01, message(0x00100928)));
        ASSERT_TRUE(reply(*unit, 0x81, 4272).has_value());
    }
    EXPECT_EQ(ask(message(0x00100900)), message(0x00100900, 0, u32(2)));
    ASSERT_EQ(ask(message(0x00100830, framed::ackRequested)), message(0x00100830, framed::ack));
    EXPECT_EQ(ask(message(0x00100900)), message(0x00100900, 0, u32(0)));
}

// Each framed-binary model: its wavelength polynomial spans a plausible range, and a spectrum
// request is answered with one message holding the pattern's pixels in the model's format.
struct SpectrumCase {
    std::string model;
    std::uint32_t type;  // of the request and of the spectrum message
    std::size_t pixels;
    bool wide;  // 32-bit pixels after 32 metadata bytes
    double firstNm;
    double lastNm;
};

void PrintTo(const SpectrumCase& spectrum, std::ostream* out) { *out << spectrum.model; }

std::uint16_t ramp16(std::uint64_t n, std::size_t j) {
    return static_cast<std::uint16_t>((40503 * (n + 1) + 1031 * j) % 65536);
}

class FramedModel : public ::testing::TestWithParam<SpectrumCase> {};

TEST_P(FramedModel, WavelengthPolynomialSpansTheModelsRange) {
    const SpectrumCase& model = GetParam();
    SimTestBench bench(oneUnitBench(model.model));
    auto unit = bench.open(0);
    ASSERT_NE(unit, nullptr);
    double c[4];
    for (std::uint8_t k = 0; k < 4; ++k) {
        const auto answer = ask(*unit, replyEndpointOf(model.model), message(0x00180101, 0, {k}));
        ASSERT_TRUE(answer.has_value());
        ASSERT_EQ(answer->size(), 64u);
        ASSERT_EQ((*answer)[23], 4);
        float value;
        std::memcpy(&value, answer->data() + 24, 4);
        c[k] = value;
    }
    auto at = [&](double x) { return c[0] + c[1] * x + c[2] * x * x + c[3] * x * x * x; };
    const double last = static_cast<double>(model.pixels - 1);
    EXPECT_NEAR(at(0), model.firstNm, 0.01);
    EXPECT_NEAR(at(last), model.lastNm, 0.05);
    EXPECT_LT(at(0), at(last / 2));
    EXPECT_LT(at(last / 2), at(last));
}

TEST_P(FramedModel, SpectraCarryTheRamp16InTheModelsFormat) {
    const SpectrumCase& model = GetParam();
    SimTestBench bench(oneUnitBench(model.model, R"(, "pattern": "ramp16")"));
    auto unit = bench.open(0);
    ASSERT_NE(unit, nullptr);
    const std::uint8_t in = replyEndpointOf(model.model);
    const std::size_t metadata = model.wide ? 32 : 0;
    const std::size_t dataLength = metadata + model.pixels * (model.wide ? 4 : 2);
    for (std::uint64_t n = 0; n < 2; ++n) {
        ASSERT_TRUE(command(*unit, 0x01, message(model.type)));
        const auto spectrum = reply(*unit, in, 16384);
        ASSERT_TRUE(spectrum.has_value());
        ASSERT_EQ(spectrum->size(), 64 + dataLength);
        // The header of a message of the request's type whose data is all payload.
        Bytes header = message(model.type, 0, Bytes(dataLength, 0));
        EXPECT_EQ(Bytes(spectrum->begin(), spectrum->begin() + 44),
                  Bytes(header.begin(), header.begin() + 44));
        EXPECT_EQ(Bytes(spectrum->end() - 4, spectrum->end()), (Bytes{0xC5, 0xC4, 0xC3, 0xC2}));
        const std::uint8_t* pixels = spectrum->data() + 44 + metadata;
        for (std::size_t j = 0; j < model.pixels; ++j) {
            const std::uint32_t value =
                model.wide ? framed::get32(*spectrum, 44 + metadata + 4 * j)
                           : static_cast<std::uint32_t>(pixels[2 * j] | (pixels[2 * j + 1] << 8));
            ASSERT_EQ(value, ramp16(n, j)) << "spectrum " << n << ", pixel " << j;
        }
        if (model.wide) {
            EXPECT_EQ(framed::get32(*spectrum, 44), n) << "the spectrum's number";
            EXPECT_EQ(framed::get32(*spectrum, 44 + 12), 100000u) << "its integration time";
        }
    }
    // The other spectrum request is not this model's.
    const std::uint32_t other = model.wide ? 0x00101000 : 0x00100928;
    EXPECT_EQ(ask(*unit, in, message(other)), message(other, framed::nack));
}

INSTANTIATE_TEST_SUITE_P(
    Models, FramedModel,
    ::testing::Values(SpectrumCase{"STS", 0x00101000, 1024, false, 350, 800},
                      SpectrumCase{"QE-PRO", 0x00100928, 1044, true, 200, 950},
                      SpectrumCase{"Spark", 0x00101000, 1024, false, 400, 750},
                      SpectrumCase{"Ventana", 0x00101000, 1024, false, 800, 930},
                      SpectrumCase{"Blaze", 0x00101000, 2088, false, 190, 1100}),
    [](const auto& info) { return testName(info.param.model); });

TEST_F(FramedUnit, BinningShortensTheSTSSpectrum) {
    start("STS", R"(, "pattern": "ramp")");
    ASSERT_EQ(ask(message(0x00110290, framed::ackRequested, {2})),
              message(0x00110290, framed::ack));
    ASSERT_TRUE(command(*unit, 0x01, message(0x00101000)));
    const auto spectrum = reply(*unit, 0x81, 2112);
    ASSERT_TRUE(spectrum.has_value());
    ASSERT_EQ(spectrum->size(), 576u);
    EXPECT_EQ(framed::get32(*spectrum, 40), 512u + 20u);
    for (std::size_t j = 0; j < 256; ++j)
        ASSERT_EQ((*spectrum)[44 + 2 * j] | ((*spectrum)[45 + 2 * j] << 8), j % 4096) << j;
}

// The Blaze pads every message to a multiple of 4 bytes, and takes the host's padded the same
// way: a message whose one data byte travels as payload is 65 bytes, 68 with its padding.
TEST_F(FramedUnit, TheBlazeTakesPaddedMessages) {
    start("Blaze");
    const Bytes lampOn = message(0x00110410, framed::ackRequested, {1}, true, true);
    ASSERT_EQ(lampOn.size(), 68u);
    ASSERT_TRUE(command(*unit, 0x01, Bytes(lampOn.begin(), lampOn.begin() + 65)));
    EXPECT_FALSE(reply(*unit, 0x81, 64).has_value()) << "the padding is still to come";
    ASSERT_TRUE(command(*unit, 0x01, Bytes(lampOn.begin() + 65, lampOn.end())));
    EXPECT_EQ(reply(*unit, 0x81, 64), message(0x00110410, framed::ack));

    // Another model reads the padding as the start of a next message, which it is not.
    start("QE-PRO");
    EXPECT_FALSE(command(*unit, 0x01, lampOn));
    // Non-zero padding is no padding.
    start("Blaze");
    Bytes badPadding = lampOn;
    badPadding.back() = 0x01;
    EXPECT_FALSE(command(*unit, 0x01, badPadding));
}

TEST(FramedMessageEncoding, APaddedMessageEndsWithZerosUpToAMultipleOf4) {
    const Bytes data(17, 0x5A);
    const Bytes encoded = encodeMessage(0x00182001, framed::ack, data, true);
    ASSERT_EQ(encoded.size(), 84u);
    EXPECT_EQ(encoded, message(0x00182001, framed::ack, data, true, true));
    EXPECT_EQ(encodeMessage(0x00182001, 0, data, false).size(), 81u);
}

// Bytes that hold no message fail the transfer and leave nothing behind.
struct Broken {
    const char* name;
    std::size_t at;
    std::uint8_t value;
};

void PrintTo(const Broken& broken, std::ostream* out) { *out << broken.name; }

class FramedBrokenMessage : public ::testing::TestWithParam<Broken> {};

TEST_P(FramedBrokenMessage, FailsTheWrite) {
    SimTestBench bench(oneUnitBench("Spark"));
    auto unit = bench.open(0);
    ASSERT_NE(unit, nullptr);
    Bytes bytes = message(0x00000100);
    bytes[GetParam().at] = GetParam().value;
    EXPECT_FALSE(command(*unit, 0x01, bytes));
    EXPECT_FALSE(reply(*unit, 0x81, 64).has_value());
    EXPECT_EQ(ask(*unit, 0x81, message(0x00000100)), message(0x00000100, 0, text("SIM00001")));
}

INSTANTIATE_TEST_SUITE_P(Cases, FramedBrokenMessage,
                         ::testing::Values(Broken{"FirstHeaderByte", 0, 0xC0},
                                           Broken{"SecondHeaderByte", 1, 0xC1},
                                           Broken{"ImmediateDataLongerThan16", 23, 17},
                                           Broken{"BytesRemainingBelow20", 40, 19},
                                           Broken{"BytesRemainingBeyondAnyMessage", 43, 0x7F},
                                           Broken{"Footer", 63, 0xC3}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FramedUnit, AMessageWhileAReplyIsUnreadFailsAndDropsTheReply) {
    start("Spark");
    ASSERT_TRUE(command(*unit, 0x01, message(0x001B0400)));
    const auto head = reply(*unit, 0x81, 64);  // the payload is still unread
    ASSERT_TRUE(head.has_value());
    ASSERT_EQ(head->size(), 64u);
    EXPECT_FALSE(command(*unit, 0x01, message(0x00000100)));
    EXPECT_FALSE(reply(*unit, 0x81, 64).has_value());
    EXPECT_EQ(ask(message(0x00000100)), message(0x00000100, 0, text("SIM00001")));
}

// Over a byte stream a message may come in pieces; it is answered once it is whole.
TEST(FramedStream, AMessageSplitOverSeveralWritesIsAnsweredWhenWhole) {
    SimTestBench bench(oneUnitBench("QE-PRO"));
    UnitPort& unit = *bench.bench().units()[0];
    ASSERT_TRUE(unit.open());
    const Bytes query = message(0x00000100);
    Bytes buffer(256);
    std::size_t sent = 0;
    for (std::size_t piece : {1u, 42u, 20u, 1u}) {
        ASSERT_EQ(unit.writeStream(query.data() + sent, static_cast<int>(piece)),
                  static_cast<int>(piece));
        sent += piece;
        if (sent < query.size()) {
            EXPECT_EQ(unit.poll(0x81, buffer.data(), 256).state, PollState::Failed)
                << "answered after " << sent << " bytes";
        }
    }
    const int got = unit.readStream(buffer.data(), 256);
    buffer.resize(static_cast<std::size_t>(std::max(got, 0)));
    EXPECT_EQ(buffer, message(0x00000100, 0, text("SIM00001")));

    // A wrong header fails as soon as it shows, and what came with it is forgotten.
    const std::uint8_t broken[] = {0xC1, 0xC1};
    EXPECT_EQ(unit.writeStream(broken, 2), -1);
    ASSERT_EQ(unit.writeStream(query.data(), 64), 64);
    EXPECT_EQ(unit.readStream(buffer.data(), 64), 64);
}

TEST(FramedTiming, ASpectrumIsDueAnIntegrationTimeAfterItsRequestOrItsTrigger) {
    auto clock = std::make_shared<ManualClock>();
    SimTestBench bench(R"({"trigger": {"after_armed_ms": 300}, "devices": [
        {"model": "STS", "serial": "A", "trigger_offset_us": 2000}]})",
                       clock);
    UnitPort& unit = *bench.bench().units()[0];
    ASSERT_TRUE(unit.open());
    Bytes buffer(4096);
    auto send = [&](const Bytes& bytes) {
        ASSERT_EQ(unit.write(0x01, bytes.data(), static_cast<int>(bytes.size())),
                  static_cast<int>(bytes.size()));
    };
    auto spectrumState = [&] { return unit.poll(0x81, buffer.data(), 4096).state; };
    send(message(0x00110010, 0, u32(10000)));  // 10 ms
    clock->set(std::chrono::milliseconds(5));
    send(message(0x00101000));
    clock->set(std::chrono::microseconds(14999));
    EXPECT_EQ(spectrumState(), PollState::NotYet);
    clock->set(std::chrono::milliseconds(15));
    EXPECT_EQ(spectrumState(), PollState::Ready);

    send(message(0x00110110, 0, {1}));
    clock->set(std::chrono::milliseconds(20));
    send(message(0x00101000));  // the trigger fires at 320 ms, the exposure starts 2 ms later
    clock->set(std::chrono::microseconds(331999));
    EXPECT_EQ(spectrumState(), PollState::NotYet);
    clock->set(std::chrono::milliseconds(332));
    EXPECT_EQ(spectrumState(), PollState::Ready);
    clock->set(std::chrono::milliseconds(400));
    send(message(0x00101000));  // only the first request waits for the trigger
    clock->set(std::chrono::milliseconds(410));
    EXPECT_EQ(spectrumState(), PollState::Ready);
}

TEST(FramedFaults, AUnitIsUnpluggedAfterItsSpectra) {
    SimTestBench bench(oneUnitBench("Blaze", R"(, "faults": {"disconnect_after_spectra": 1})"));
    auto unit = bench.open(0);
    ASSERT_NE(unit, nullptr);
    ASSERT_TRUE(command(*unit, 0x01, message(0x00101000)));
    const auto spectrum = reply(*unit, 0x81, 4240);
    ASSERT_TRUE(spectrum.has_value());
    ASSERT_EQ(spectrum->size(), 4240u);
    EXPECT_TRUE(bench.platform().enumerate().empty());
    EXPECT_FALSE(command(*unit, 0x01, message(0x00000100)));
}

}  // namespace
}  // namespace spectro::sim::test
