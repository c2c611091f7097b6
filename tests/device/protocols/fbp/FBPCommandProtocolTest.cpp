#include <gtest/gtest.h>

#include <bit>
#include <functional>

#include "device/protocols/fbp/FBPAcquisitionProtocols.h"
#include "device/protocols/fbp/FBPCalibrationProtocols.h"
#include "device/protocols/fbp/FBPDataBufferProtocol.h"
#include "device/protocols/fbp/FBPLightSourceProtocols.h"
#include "device/protocols/fbp/FBPThermalProtocols.h"
#include "device/protocols/fbp/FBPWire.h"

// The commands of the framed-protocol implementations (the request each sends and what an
// acknowledgement or a refusal gives) and the index checks made before any traffic.

namespace spectro::test {
namespace {

using namespace framedBinaryProtocol;
using namespace fbp;

constexpr std::uint16_t ACK_REQUESTED = 0x0004;

const char* const ENABLE_REJECTED =
    "throws: Device rejected the enable command.  Is it supported on this hardware?";
const char* const SETPOINT_REJECTED = "throws: Device rejected the setpoint.  Was it out of bounds?";
const char* const ONE_STROBE = "throws: This protocol only supports one continuous strobe generator.";
const char* const ONE_BUFFER =
    "throws: This protocol only supports a single buffer.  The buffer index should be zero.";
const char* const BAD_MODULE = "throws: Invalid module index";
const char* const BAD_SOURCE = "throws: Invalid light source index";

Bytes f32(float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

// A command as it must go out: the acknowledgement asked for, the data in the header up to
// 16 bytes and after it beyond that.
Bytes commandOf(std::uint32_t type, const Bytes& data) {
    return data.size() > 16 ? fbp::message(type, ACK_REQUESTED, {}, data)
                            : fbp::message(type, ACK_REQUESTED, data);
}

// "done", the returned flag, or the text of the exception with its kind.
std::string outcome(const std::function<std::string()>& run) {
    try {
        return run();
    } catch (const ProtocolException& e) {
        return std::string("throws: ") + e.what();
    } catch (const std::exception& e) {
        return std::string("other: ") + e.what();
    }
}

using Action = std::function<std::string(const Bus&)>;

Action done(std::function<void(const Bus&)> action) {
    return [action](const Bus& bus) {
        action(bus);
        return std::string("done");
    };
}

Action flag(std::function<bool(const Bus&)> action) {
    return [action](const Bus& bus) { return std::string(action(bus) ? "true" : "false"); };
}

struct CommandCase {
    const char* name;
    Action run;
    std::uint32_t type;
    Bytes data;
    std::string acknowledged;
    std::string refused;
};

std::vector<CommandCase> commandCases() {
    return {
        {"strobe lamp on", done([](const Bus& b) { FBPStrobeLampProtocol().setStrobeLampEnable(b, true); }),
         0x00110410, {1}, "done", "done"},
        {"acquisition delay",
         done([](const Bus& b) {
             FBPAcquisitionDelayProtocol().setAcquisitionDelayMicroseconds(b, 100000);
         }),
         0x00110510, {0xA0, 0x86, 0x01, 0x00}, "done",
         "throws: Device rejected acquisition delay command.  Is the value legal?"},
        {"binning factor",
         done([](const Bus& b) { FBPPixelBinningProtocol().writePixelBinningFactor(b, 4); }),
         0x00110290, {4}, "done", ENABLE_REJECTED},
        {"default binning factor",
         done([](const Bus& b) { FBPPixelBinningProtocol().writeDefaultPixelBinningFactor(b, 2); }),
         0x00110295, {2}, "done", ENABLE_REJECTED},
        {"default binning reset",
         done([](const Bus& b) { FBPPixelBinningProtocol().resetDefaultPixelBinningFactor(b); }),
         0x00110295, {}, "done", ENABLE_REJECTED},
        {"cooler on", done([](const Bus& b) { FBPThermoElectricProtocol().setTECEnable(b, true); }),
         0x00420010, {1}, "done", ENABLE_REJECTED},
        {"cooler set point",
         done([](const Bus& b) { FBPThermoElectricProtocol().setTECSetPoint(b, -15.5); }),
         0x00420011, f32(-15.5f), "done", SETPOINT_REJECTED},
        {"boxcar width",
         done([](const Bus& b) { FBPSpectrumProcessingProtocol().writeBoxcarWidth(b, 5); }),
         0x00121010, {5}, "done", SETPOINT_REJECTED},
        {"scans to average",
         done([](const Bus& b) { FBPSpectrumProcessingProtocol().writeScansToAverage(b, 300); }),
         0x00120010, {0x2C, 0x01}, "done", SETPOINT_REJECTED},
        {"buffer clear", done([](const Bus& b) { FBPDataBufferProtocol().clearBuffer(b, 0); }),
         0x00100830, {}, "done",
         "throws: Device rejected buffer clear command.  Is it supported in this hardware?"},
        {"buffer capacity",
         done([](const Bus& b) { FBPDataBufferProtocol().setBufferCapacity(b, 0, 50); }),
         0x00100832, {50, 0, 0, 0}, "done", "done"},
        {"strobe period",
         flag([](const Bus& b) {
             return FBPContinuousStrobeProtocol().setContinuousStrobePeriodMicroseconds(b, 0, 2500);
         }),
         0x00310010, {0xC4, 0x09, 0, 0}, "true", "false"},
        {"strobe on",
         flag([](const Bus& b) {
             return FBPContinuousStrobeProtocol().setContinuousStrobeEnable(b, 0, true);
         }),
         0x00310011, {1}, "true", "false"},
        {"shutter closed",
         flag([](const Bus& b) { return FBPShutterProtocol().setShutterOpen(b, false); }),
         0x00110610, {0}, "true", "false"},
        {"collection area",
         done([](const Bus& b) { FBPIrradCalProtocol(1024).writeCollectionArea(b, 0.25); }),
         0x00182013, f32(0.25f), "done", "done"},
        {"light source on",
         done([](const Bus& b) { FBPLightSourceProtocol_Ventana().setLightSourceEnable(b, 0, 0, true); }),
         0x00810031, {0, 0, 1}, "done", "done"},
        {"light source intensity",
         done([](const Bus& b) {
             FBPLightSourceProtocol_Ventana().setLightSourceIntensity(b, 0, 0, 0.5);
         }),
         0x00810051, {0, 0, 0, 0, 0, 0x3F}, "done", "done"},
    };
}

TEST(FBPCommandProtocols, SendTheirCommandAndReportTheAcknowledgement) {
    for (const CommandCase& c : commandCases()) {
        SCOPED_TRACE(c.name);
        ScriptedBus bus;
        bus.helper().reply(fbp::message(c.type, ACK));
        EXPECT_EQ(outcome([&] { return c.run(bus); }), c.acknowledged);
        EXPECT_EQ(bus.helper().sent(), std::vector<Bytes>{commandOf(c.type, c.data)});
    }
}

TEST(FBPCommandProtocols, ARefusalIsReportedOrDiscardedAsTheOperationSays) {
    for (const CommandCase& c : commandCases()) {
        SCOPED_TRACE(c.name);
        ScriptedBus bus;
        bus.helper().reply(fbp::message(c.type, NACK));
        EXPECT_EQ(outcome([&] { return c.run(bus); }), c.refused);
    }
}

TEST(FBPContinuousStrobeProtocol, KeepsItsCommandsAcrossCalls) {
    FBPContinuousStrobeProtocol strobe;
    ScriptedBus bus;
    for (int i = 0; i < 2; ++i) bus.helper().reply(fbp::message(0x00310010, ACK));
    EXPECT_TRUE(strobe.setContinuousStrobePeriodMicroseconds(bus, 0, 1));
    EXPECT_TRUE(strobe.setContinuousStrobePeriodMicroseconds(bus, 0, 0x01020304));
    EXPECT_EQ(bus.helper().sent()[1], commandOf(0x00310010, {4, 3, 2, 1}));
}

TEST(FBPIrradCalProtocol, WritesAtMostOneValuePerPixel) {
    struct Case {
        std::size_t given;
        int sent;
    };
    for (const Case c : {Case{2000, 1024}, Case{10, 10}, Case{1024, 1024}}) {
        SCOPED_TRACE(c.given);
        std::vector<float> values(c.given);
        for (std::size_t i = 0; i < values.size(); ++i) values[i] = 0.5f * static_cast<float>(i);
        Bytes expected;
        for (int i = 0; i < c.sent; ++i) {
            const Bytes value = f32(values[static_cast<std::size_t>(i)]);
            expected.insert(expected.end(), value.begin(), value.end());
        }
        ScriptedBus bus;
        bus.helper().reply(fbp::message(0x00182011, NACK));  // not examined
        EXPECT_EQ(FBPIrradCalProtocol(1024).writeIrradCal(bus, values), c.sent);
        EXPECT_EQ(bus.helper().sent(), std::vector<Bytes>{commandOf(0x00182011, expected)});
    }
}

// Operations that must refuse their indices before anything reaches the bus.
TEST(FBPIndexedProtocols, CheckTheirIndicesBeforeAnyTraffic) {
    using Light = FBPLightSourceProtocol_Ventana;
    struct Case {
        const char* name;
        Action run;
        std::string result;
    };
    auto value = [](auto read) {
        return Action([read](const Bus& b) { return std::to_string(read(b)); });
    };
    const Case cases[] = {
        {"strobe period of generator 1",
         flag([](const Bus& b) {
             return FBPContinuousStrobeProtocol().setContinuousStrobePeriodMicroseconds(b, 1, 10);
         }),
         ONE_STROBE},
        {"strobe enable of generator 1",
         flag([](const Bus& b) {
             return FBPContinuousStrobeProtocol().setContinuousStrobeEnable(b, 1, true);
         }),
         ONE_STROBE},
        {"buffer clear", done([](const Bus& b) { FBPDataBufferProtocol().clearBuffer(b, 1); }),
         ONE_BUFFER},
        {"buffer elements",
         value([](const Bus& b) { return FBPDataBufferProtocol().getNumberOfElements(b, 1); }),
         ONE_BUFFER},
        {"buffer capacity",
         value([](const Bus& b) { return FBPDataBufferProtocol().getBufferCapacity(b, 1); }),
         ONE_BUFFER},
        {"buffer minimum",
         value([](const Bus& b) { return FBPDataBufferProtocol().getBufferCapacityMinimum(b, 1); }),
         ONE_BUFFER},
        {"buffer minimum of buffer 0",
         value([](const Bus& b) { return FBPDataBufferProtocol().getBufferCapacityMinimum(b, 0); }),
         "1"},
        {"buffer maximum",
         value([](const Bus& b) { return FBPDataBufferProtocol().getBufferCapacityMaximum(b, 2); }),
         ONE_BUFFER},
        {"buffer capacity set",
         done([](const Bus& b) { FBPDataBufferProtocol().setBufferCapacity(b, 255, 5); }),
         ONE_BUFFER},
        {"enabled, module 1",
         flag([](const Bus& b) { return Light().isLightSourceEnabled(b, 1, 0); }), BAD_MODULE},
        {"enabled, module -1",
         flag([](const Bus& b) { return Light().isLightSourceEnabled(b, -1, 0); }), BAD_MODULE},
        {"enabled, source 1",
         flag([](const Bus& b) { return Light().isLightSourceEnabled(b, 0, 1); }), BAD_SOURCE},
        {"enable, source -1",
         done([](const Bus& b) { Light().setLightSourceEnable(b, 0, -1, true); }), BAD_SOURCE},
        {"intensity, module 1",
         value([](const Bus& b) { return Light().getLightSourceIntensity(b, 1, 0); }), BAD_MODULE},
        {"intensity set, source 1",
         done([](const Bus& b) { Light().setLightSourceIntensity(b, 0, 1, 0.5); }), BAD_SOURCE},
        {"has enable", flag([](const Bus& b) { return Light().hasLightSourceEnable(b, 0, 0); }),
         "true"},
        {"has enable, module 1",
         flag([](const Bus& b) { return Light().hasLightSourceEnable(b, 1, 0); }), BAD_MODULE},
        {"has variable intensity, source 1",
         flag([](const Bus& b) { return Light().hasVariableIntensity(b, 0, 1); }), BAD_SOURCE},
        {"intensity minimum",
         value([](const Bus& b) { return Light().getLightSourceIntensityMinimum(b, 0, 0); }),
         "0.000000"},
        {"intensity maximum",
         value([](const Bus& b) { return Light().getLightSourceIntensityMaximum(b, 0, 0); }),
         "1.000000"},
        {"intensity maximum, module 2",
         value([](const Bus& b) { return Light().getLightSourceIntensityMaximum(b, 2, 0); }),
         BAD_MODULE},
        {"intensity minimum, source 3",
         value([](const Bus& b) { return Light().getLightSourceIntensityMinimum(b, 0, 3); }),
         BAD_SOURCE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedBus bus;
        EXPECT_EQ(outcome([&] { return c.run(bus); }), c.result);
        EXPECT_TRUE(bus.helper().operations().empty());
    }
}

TEST(FBPLightSourceProtocol_Ventana, HasOneModuleWithOneSourceAndNormalisedIntensity) {
    FBPLightSourceProtocol_Ventana ventana;
    EXPECT_EQ(ventana.getModuleCount(), 1);
    EXPECT_EQ(ventana.getLightSourceCount(0), 1);
    EXPECT_EQ(ventana.getLightSourceCount(1), 0);
    EXPECT_EQ(ventana.getProtocol().getID(), 2000);
    // Features reach the intensity operations by a run-time type test.
    LightSourceProtocolInterface& asLightSource = ventana;
    EXPECT_NE(dynamic_cast<LightSourceProtocolInterface_NormalizedIntensity*>(&asLightSource),
              nullptr);
}

}  // namespace
}  // namespace spectro::test
