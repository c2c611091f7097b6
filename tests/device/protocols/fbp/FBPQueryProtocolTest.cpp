#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <sstream>

#include "device/protocols/fbp/FBPAcquisitionProtocols.h"
#include "device/protocols/fbp/FBPCalibrationProtocols.h"
#include "device/protocols/fbp/FBPDataBufferProtocol.h"
#include "device/protocols/fbp/FBPIdentityProtocols.h"
#include "device/protocols/fbp/FBPLightSourceProtocols.h"
#include "device/protocols/fbp/FBPThermalProtocols.h"
#include "device/protocols/fbp/FBPWire.h"

// The reads of the framed-protocol implementations: the request each sends, what it makes of
// the reply, and what a missing (refused) or too short reply gives.

namespace spectro::test {
namespace {

using namespace framedBinaryProtocol;
using namespace fbp;

const char* const SERIAL_MISSING =
    "Expected queryDevice to produce a non-null result containing a serial number.  Without "
    "this data, it is not possible to continue.";
const char* const TEMPERATURE_MISSING =
    "Expected Transfer::transfer to produce a non-null result containing temperature.  Without "
    "this data, it is not possible to continue.";
const char* const CALIBRATION_MISSING =
    "Expected queryDevice to produce a non-null result containing calibration data.  Without "
    "this data, it is not possible to generate a calibration array.";
const char* const AREA_SHORT =
    "Failed to get back expected number of bytes that should have held collection area.";
const char* const BINNING_MISSING =
    "Expected queryDevice to produce a non-empty result containing a pixel binning factor.  "
    "Without this data, it is not possible to continue.";
const char* const BOXCAR_MISSING =
    "Expected queryDevice to produce a non-null result containing a spectrum processing boxcar "
    "filter width.  Without this data, it is not possible to continue.";
const char* const SCANS_MISSING =
    "Expected queryDevice to produce a non-null result containing a spectrum protocol scans to "
    "average.  Without this data, it is not possible to continue.";
const char* const TEC_MISSING =
    "Expected queryDevice to produce a non-null result containing a temperature.  Without this "
    "data, it is not possible to continue.";
const char* const WAVELENGTH_MISSING =
    "Expected Transfer::transfer to produce a non-null result containing wavelength "
    "coefficient.  Without this data, it is not possible to continue.";
const char* const LINEARITY_MISSING =
    "Expected Transfer::transfer to produce a non-null result containing linearity "
    "coefficient.  Without this data, it is not possible to continue.";
const char* const STRAY_MISSING =
    "Expected Transfer::transfer to produce a non-null result containing stray light "
    "coefficient.  Without this data, it is not possible to continue.";
const char* const LIGHT_MISSING = "Got back no data when trying to get enable status";
const char* const OUT_OF_BOUNDS = "Bad Argument::The temperature index was out of bounds.";

Bytes f32(float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

Bytes joined(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A message carrying `data` where a unit puts it: in the header up to 16 bytes, else after it.
Bytes withData(std::uint32_t type, std::uint16_t flags, const Bytes& data) {
    return data.size() > 16 ? fbp::message(type, flags, {}, data) : fbp::message(type, flags, data);
}

// Queues a reply as the engine reads it: the 64 bytes of the header message, then the rest.
void serve(ScriptedBus& bus, std::uint32_t type, const Bytes& data, std::uint16_t flags = ACK) {
    const Bytes reply = withData(type, flags, data);
    bus.helper().reply(Bytes(reply.begin(), reply.begin() + 64));
    if (reply.size() > 64) bus.helper().reply(Bytes(reply.begin() + 64, reply.end()));
}

void refuse(ScriptedBus& bus, std::uint32_t type) { serve(bus, type, {}, NACK); }

// A query as it must go out: flags 0 and the request data.
Bytes queryOf(std::uint32_t type, const Bytes& data) { return withData(type, 0, data); }

template <class T>
std::string show(const T& value) {
    std::ostringstream out;
    out << +value;
    return out.str();
}

std::string show(bool value) { return value ? "true" : "false"; }
std::string show(const std::string& value) { return "'" + value + "'"; }

template <class T>
std::string show(const std::vector<T>& values) {
    std::string out = "[";
    for (const T& value : values) out += (out.size() > 1 ? " " : "") + show(value);
    return out + "]";
}

template <class T>
std::string show(const std::optional<std::vector<T>>& values) {
    return values ? show(*values) : "none";
}

// The shown result, or the text of the exception it throws, marked with its kind.
std::string outcome(const std::function<std::string()>& run) {
    try {
        return run();
    } catch (const ProtocolBusMismatchException& e) {
        return std::string("mismatch: ") + e.what();
    } catch (const ProtocolException& e) {
        return std::string("throws: ") + e.what();
    } catch (const std::exception& e) {
        return std::string("other: ") + e.what();
    }
}

std::string throws(const char* text) { return std::string("throws: ") + text; }

using Read = std::function<std::string(const Bus&)>;

template <class Protocol, class Method>
Read read(Method method) {
    return [method](const Bus& bus) {
        Protocol protocol;
        return show((protocol.*method)(bus));
    };
}

template <class Protocol, class Method, class... Args>
Read readWith(Method method, Args... args) {
    return [method, args...](const Bus& bus) {
        Protocol protocol;
        return show((protocol.*method)(bus, args...));
    };
}

Read collectionArea() {
    return [](const Bus& bus) { return show(FBPIrradCalProtocol(1024).readCollectionArea(bus)); };
}

struct QueryCase {
    const char* name;
    Read run;
    std::uint32_t type;
    Bytes request;
    Bytes reply;
    std::string result;
    std::string whenMissing;
    std::optional<Bytes> shortReply;  // one byte fewer than the read needs
    std::string whenShort;
};

std::vector<QueryCase> queryCases() {
    using SN = FBPSerialNumberProtocol;
    using Rev = FBPRevisionProtocol;
    using Bench = FBPOpticalBenchProtocol;
    using Bin = FBPPixelBinningProtocol;
    using Proc = FBPSpectrumProcessingProtocol;
    using Buf = FBPDataBufferProtocol;
    using Light = FBPLightSourceProtocol_Ventana;
    const std::uint8_t zero = 0;
    return {
        {"serial number", read<SN>(&SN::readSerialNumber), 0x00000100, {},
         textBytes("S05432", 9), "'S05432'", throws(SERIAL_MISSING), {}, ""},
        {"serial number without a zero byte", read<SN>(&SN::readSerialNumber), 0x00000100, {},
         textBytes("ABC"), "'ABC'", throws(SERIAL_MISSING), {}, ""},
        {"serial number maximum length", read<SN>(&SN::readSerialNumberMaximumLength),
         0x00000101, {}, {32}, "32", throws(TEMPERATURE_MISSING), Bytes{},
         throws(TEMPERATURE_MISSING)},
        {"hardware revision", read<Rev>(&Rev::readHardwareRevision), 0x00000080, {0}, {7}, "7",
         throws(TEMPERATURE_MISSING), Bytes{}, throws(TEMPERATURE_MISSING)},
        {"firmware revision", read<Rev>(&Rev::readFirmwareRevision), 0x00000090, {0, 0},
         {0x34, 0x12}, "4660", throws(TEMPERATURE_MISSING), Bytes{0x34},
         throws(TEMPERATURE_MISSING)},
        {"irradiance calibration",
         [](const Bus& bus) { return show(FBPIrradCalProtocol(1024).readIrradCal(bus)); },
         0x00182001, {}, joined({f32(1.5f), f32(2.25f)}), "[1.5 2.25]",
         throws(CALIBRATION_MISSING), joined({f32(1.5f), Bytes{0, 0, 0x10}}),
         throws(CALIBRATION_MISSING)},
        {"collection area", collectionArea(), 0x00182003,
         {}, f32(0.5f), "0.5", throws(CALIBRATION_MISSING), Bytes{0, 0, 0}, throws(AREA_SHORT)},
        {"has collection area",
         [](const Bus& bus) { return show(FBPIrradCalProtocol(1024).hasCollectionArea(bus)); },
         0x00182003, {}, f32(0.5f), "true", "false", Bytes{0, 0, 0}, "false"},
        {"bench id", read<Bench>(&Bench::readOpticalBenchID), 0x001B0000, {}, textBytes("B1", 4),
         "'B1'", "''", {}, ""},
        {"bench serial number", read<Bench>(&Bench::readOpticalBenchSerialNumber), 0x001B0100,
         {}, textBytes("OB-77"), "'OB-77'", "''", {}, ""},
        {"bench grating", read<Bench>(&Bench::readOpticalBenchGrating), 0x001B0400, {},
         textBytes("600 l/mm"), "'600 l/mm'", "''", {}, ""},
        {"bench filter", read<Bench>(&Bench::readOpticalBenchFilter), 0x001B0500, {},
         textBytes("OG515"), "'OG515'", "''", {}, ""},
        {"bench coating", read<Bench>(&Bench::readOpticalBenchCoating), 0x001B0600, {},
         textBytes("none"), "'none'", "''", {}, ""},
        {"slit width", read<Bench>(&Bench::readOpticalBenchSlitWidthMicrons), 0x001B0200, {0},
         {0x32, 0x01}, "306", "0", Bytes{0x32}, "0"},
        {"fibre diameter", read<Bench>(&Bench::readOpticalBenchFiberDiameterMicrons), 0x001B0300,
         {0}, {0x90, 0x01}, "400", "0", Bytes{0x90}, "0"},
        {"binning factor", read<Bin>(&Bin::readPixelBinningFactor), 0x00110280, {0}, {2}, "2",
         throws(BINNING_MISSING), Bytes{}, throws(BINNING_MISSING)},
        {"default binning factor", read<Bin>(&Bin::readDefaultPixelBinningFactor), 0x00110285,
         {0}, {1}, "1", throws(BINNING_MISSING), Bytes{}, throws(BINNING_MISSING)},
        {"maximum binning factor", read<Bin>(&Bin::readMaxPixelBinningFactor), 0x00110281, {0},
         {8}, "8", throws(BINNING_MISSING), Bytes{}, throws(BINNING_MISSING)},
        {"boxcar width", read<Proc>(&Proc::readBoxcarWidth), 0x00121000, {0}, {5}, "5",
         throws(BOXCAR_MISSING), Bytes{}, throws(BOXCAR_MISSING)},
        {"scans to average", read<Proc>(&Proc::readScansToAverage), 0x00120000, {0, 0},
         {0x10, 0x27}, "10000", throws(SCANS_MISSING), Bytes{0x10}, throws(SCANS_MISSING)},
        {"cooler temperature", read<FBPThermoElectricProtocol>(
                                   &FBPThermoElectricProtocol::readTECTemperature),
         0x00420004, {}, f32(-10.5f), "-10.5", throws(TEC_MISSING), Bytes{0, 0, 0x28},
         throws(TEC_MISSING)},
        {"temperature count", read<FBPTemperatureProtocol>(
                                  &FBPTemperatureProtocol::countTemperatures),
         0x00400000, {}, {3}, "3", throws(TEMPERATURE_MISSING), Bytes{},
         throws(TEMPERATURE_MISSING)},
        {"saturation", read<FBPProgrammableSaturationProtocol>(
                           &FBPProgrammableSaturationProtocol::getSaturation),
         0x001010A0, {}, {0x50, 0xC3, 0, 0}, "50000",
         throws("Got a short read when querying saturation level."), Bytes{0x50, 0xC3, 0},
         throws("Got a short read when querying saturation level.")},
        {"buffer elements", readWith<Buf>(&Buf::getNumberOfElements, zero), 0x00100900, {},
         {12, 0, 0, 0}, "12", throws("Got a short read when querying element count."),
         Bytes{12, 0, 0}, throws("Got a short read when querying element count.")},
        {"buffer capacity", readWith<Buf>(&Buf::getBufferCapacity, zero), 0x00100822, {},
         {0xE8, 0x03, 0, 0}, "1000", throws("Got a short read when querying capacity."),
         Bytes{0xE8, 0x03, 0}, throws("Got a short read when querying capacity.")},
        {"buffer maximum capacity", readWith<Buf>(&Buf::getBufferCapacityMaximum, zero),
         0x00100820, {}, {0x10, 0x27, 0, 0}, "10000",
         throws("Got a short read when querying maxCapacity."), Bytes{0x10, 0x27, 0},
         throws("Got a short read when querying maxCapacity.")},
        {"light source enabled", readWith<Light>(&Light::isLightSourceEnabled, 0, 0),
         0x00810021, {0, 0}, {1}, "true", throws(LIGHT_MISSING), Bytes{}, throws(LIGHT_MISSING)},
        {"light source disabled", readWith<Light>(&Light::isLightSourceEnabled, 0, 0),
         0x00810021, {0, 0}, {0}, "false", throws(LIGHT_MISSING), Bytes{},
         throws(LIGHT_MISSING)},
        {"light source intensity", readWith<Light>(&Light::getLightSourceIntensity, 0, 0),
         0x00810041, {0, 0}, f32(0.75f), "0.75", throws(LIGHT_MISSING), Bytes{0, 0, 0x40},
         throws(LIGHT_MISSING)},
    };
}

TEST(FBPQueryProtocols, SendTheirRequestAndDecodeTheReply) {
    for (const QueryCase& c : queryCases()) {
        SCOPED_TRACE(c.name);
        ScriptedBus bus;
        serve(bus, c.type, c.reply);
        EXPECT_EQ(outcome([&] { return c.run(bus); }), c.result);
        EXPECT_EQ(bus.helper().sent(), std::vector<Bytes>{queryOf(c.type, c.request)});
        EXPECT_EQ(bus.helper().pendingReplies(), 0u);
    }
}

TEST(FBPQueryProtocols, AMissingReplyGivesTheOperationsOutcome) {
    for (const QueryCase& c : queryCases()) {
        SCOPED_TRACE(c.name);
        ScriptedBus bus;
        refuse(bus, c.type);
        EXPECT_EQ(outcome([&] { return c.run(bus); }), c.whenMissing);
    }
}

TEST(FBPQueryProtocols, AReplyTooShortForTheValueIsNeverReadPast) {
    for (const QueryCase& c : queryCases()) {
        if (!c.shortReply) continue;
        SCOPED_TRACE(c.name);
        ScriptedBus bus;
        serve(bus, c.type, *c.shortReply);
        EXPECT_EQ(outcome([&] { return c.run(bus); }), c.whenShort);
    }
}

TEST(FBPQueryProtocols, ABusWithoutAHelperIsAMismatch) {
    auto bus = ScriptedBus::withoutHelpers();
    EXPECT_EQ(outcome([&] { return show(FBPSerialNumberProtocol().readSerialNumber(*bus)); }),
              "mismatch: Failed to find a helper to bridge given protocol and bus.");
    // A mismatch is one of the failures that mean "no collection area".
    EXPECT_FALSE(FBPIrradCalProtocol(1024).hasCollectionArea(*bus));
}

TEST(FBPWaveCalProtocol, ReadsTheFourCoefficientsInIndexOrder) {
    ScriptedBus bus;
    const float values[] = {350.5f, 0.25f, -1.5e-5f, 2.0e-9f};
    for (float value : values) serve(bus, 0x00180101, f32(value));
    const std::vector<double> coeffs = FBPWaveCalProtocol().readWavelengthCoeffs(bus);
    EXPECT_EQ(coeffs, (std::vector<double>{350.5f, 0.25f, -1.5e-5f, 2.0e-9f}));
    EXPECT_EQ(bus.helper().sent(),
              (std::vector<Bytes>{queryOf(0x00180101, {0}), queryOf(0x00180101, {1}),
                                  queryOf(0x00180101, {2}), queryOf(0x00180101, {3})}));
}

TEST(FBPWaveCalProtocol, AMissingOrShortCoefficientThrows) {
    for (const bool shortReply : {false, true}) {
        SCOPED_TRACE(shortReply ? "short" : "missing");
        ScriptedBus bus;
        serve(bus, 0x00180101, f32(350.5f));
        if (shortReply) serve(bus, 0x00180101, {1, 2, 3});
        else refuse(bus, 0x00180101);
        EXPECT_EQ(outcome([&] { return show(FBPWaveCalProtocol().readWavelengthCoeffs(bus)); }),
                  throws(WAVELENGTH_MISSING));
        EXPECT_EQ(bus.helper().sent().size(), 2u);
    }
}

TEST(FBPCoefficientProtocols, ReadTheCountThenEachCoefficient) {
    struct Kind {
        const char* name;
        std::uint32_t countType;
        std::uint32_t coefficientType;
        std::function<std::optional<std::vector<double>>(const Bus&)> read;
        const char* missing;
    };
    const Kind kinds[] = {
        {"nonlinearity", 0x00181100, 0x00181101,
         [](const Bus& bus) { return FBPNonlinearityCoeffsProtocol().readNonlinearityCoeffs(bus); },
         LINEARITY_MISSING},
        {"stray light", 0x00183100, 0x00183101,
         [](const Bus& bus) { return FBPStrayLightCoeffsProtocol().readStrayLightCoeffs(bus); },
         STRAY_MISSING},
    };
    struct Script {
        const char* name;
        std::optional<Bytes> count;           // none: the count is refused
        std::vector<std::optional<Bytes>> coefficients;  // none: refused
        std::string result;
        std::size_t sends;
    };
    for (const Kind& k : kinds) {
        const Script scripts[] = {
            {"two", Bytes{2}, {f32(1.5f), f32(-0.25f)}, "[1.5 -0.25]", 3},
            {"sixteen is the most", Bytes{16}, std::vector<std::optional<Bytes>>(16, f32(1.0f)),
             "[1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1]", 17},
            {"zero", Bytes{0}, {}, "[]", 1},
            {"seventeen", Bytes{17}, {}, "none", 1},
            {"no count", std::nullopt, {}, "none", 1},
            {"empty count", Bytes{}, {}, "none", 1},
            {"coefficient refused", Bytes{2}, {f32(1.5f), std::nullopt}, throws(k.missing), 3},
            {"coefficient short", Bytes{1}, {Bytes{1, 2, 3}}, throws(k.missing), 2},
        };
        for (const Script& s : scripts) {
            SCOPED_TRACE(std::string(k.name) + ": " + s.name);
            ScriptedBus bus;
            if (s.count) serve(bus, k.countType, *s.count);
            else refuse(bus, k.countType);
            for (const std::optional<Bytes>& c : s.coefficients) {
                if (c) serve(bus, k.coefficientType, *c);
                else refuse(bus, k.coefficientType);
            }
            EXPECT_EQ(outcome([&] { return show(k.read(bus)); }), s.result);
            const std::vector<Bytes> sent = bus.helper().sent();
            ASSERT_EQ(sent.size(), s.sends);
            EXPECT_EQ(sent[0], queryOf(k.countType, {}));
            for (std::size_t i = 1; i < sent.size(); ++i) {
                EXPECT_EQ(sent[i], queryOf(k.coefficientType, {static_cast<std::uint8_t>(i - 1)}));
            }
        }
    }
}

TEST(FBPTemperatureProtocol, ReadsOneSensorWithinTheCount) {
    struct Script {
        const char* name;
        std::optional<Bytes> count;
        int index;
        std::optional<Bytes> temperature;  // queued only when `queued`
        bool queued;
        std::string result;
        std::size_t sends;
    };
    const Script scripts[] = {
        {"in range", Bytes{3}, 2, f32(21.5f), true, "21.5", 2},
        {"index equal to the count", Bytes{3}, 3, {}, false, throws(OUT_OF_BOUNDS), 1},
        {"negative index", Bytes{3}, -1, {}, false, throws(OUT_OF_BOUNDS), 1},
        {"no count", std::nullopt, 0, {}, false, "0", 1},
        {"empty count", Bytes{}, 0, {}, false, "0", 1},
        {"count above sixteen", Bytes{17}, 0, {}, false, "0", 1},
        {"temperature refused", Bytes{3}, 0, std::nullopt, true, throws(TEMPERATURE_MISSING), 2},
        {"temperature short", Bytes{3}, 0, Bytes{0, 0, 0xAC}, true, throws(TEMPERATURE_MISSING),
         2},
    };
    for (const Script& s : scripts) {
        SCOPED_TRACE(s.name);
        ScriptedBus bus;
        if (s.count) serve(bus, 0x00400000, *s.count);
        else refuse(bus, 0x00400000);
        if (s.queued && s.temperature) serve(bus, 0x00400001, *s.temperature);
        else if (s.queued) refuse(bus, 0x00400001);
        EXPECT_EQ(outcome([&] { return show(FBPTemperatureProtocol().readTemperature(bus, s.index)); }),
                  s.result);
        const std::vector<Bytes> sent = bus.helper().sent();
        ASSERT_EQ(sent.size(), s.sends);
        EXPECT_EQ(sent[0], queryOf(0x00400000, {}));
        if (s.sends == 2) {
            EXPECT_EQ(sent[1], queryOf(0x00400001, {static_cast<std::uint8_t>(s.index), 0, 0, 0}));
        }
    }
}

TEST(FBPTemperatureProtocol, ReadsAllSensorsAtOnce) {
    struct Script {
        const char* name;
        std::optional<Bytes> count;
        std::optional<Bytes> temperatures;
        bool queued;
        std::string result;
    };
    const Script scripts[] = {
        {"two sensors", Bytes{2}, joined({f32(21.5f), f32(-5.25f)}), true, "[21.5 -5.25]"},
        {"no count", std::nullopt, {}, false, "none"},
        {"count above sixteen", Bytes{17}, {}, false, "none"},
        {"refused", Bytes{2}, std::nullopt, true, throws(TEMPERATURE_MISSING)},
        {"fewer values than sensors", Bytes{2}, joined({f32(21.5f), Bytes{1, 2, 3}}), true,
         throws(TEMPERATURE_MISSING)},
    };
    for (const Script& s : scripts) {
        SCOPED_TRACE(s.name);
        ScriptedBus bus;
        if (s.count) serve(bus, 0x00400000, *s.count);
        else refuse(bus, 0x00400000);
        if (s.queued && s.temperatures) serve(bus, 0x00400002, *s.temperatures);
        else if (s.queued) refuse(bus, 0x00400002);
        EXPECT_EQ(outcome([&] { return show(FBPTemperatureProtocol().readAllTemperatures(bus)); }),
                  s.result);
        const std::vector<Bytes> sent = bus.helper().sent();
        ASSERT_EQ(sent.size(), s.queued ? 2u : 1u);
        if (s.queued) {
            EXPECT_EQ(sent[1], queryOf(0x00400002, {0}));
        }
    }
}

}  // namespace
}  // namespace spectro::test
