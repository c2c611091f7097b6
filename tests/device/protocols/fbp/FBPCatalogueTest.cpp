#include <gtest/gtest.h>

#include <functional>

#include "device/protocols/fbp/FBPCatalogue.h"
#include "device/protocols/fbp/FBPWire.h"

namespace spectro::test {
namespace {

using namespace framedBinaryProtocol;
using namespace fbp;

struct Entry {
    const char* name;
    std::function<std::unique_ptr<FBPTransaction>()> make;
    bool command;
    std::uint32_t type;
    Bytes request;  // the request data of a freshly built instance
};

template <class T>
Entry entry(const char* name, bool command, std::uint32_t type, Bytes request) {
    return {name, [] { return std::make_unique<T>(); }, command, type, std::move(request)};
}

constexpr bool QUERY = false;
constexpr bool COMMAND = true;

// Runs the transaction as its kind is run, against a reply that acknowledges it.
void run(FBPTransaction& transaction, bool command, ScriptedTransferHelper& helper) {
    helper.reply(fbp::message(transaction.getMessageType(), ACK, Bytes{1, 2, 3, 4}));
    if (command) {
        auto* asCommand = dynamic_cast<FBPCommand*>(&transaction);
        ASSERT_NE(asCommand, nullptr);
        EXPECT_TRUE(asCommand->sendCommandToDevice(helper));
    } else {
        auto* asQuery = dynamic_cast<FBPQuery*>(&transaction);
        ASSERT_NE(asQuery, nullptr);
        EXPECT_EQ(asQuery->queryDevice(helper), (Bytes{1, 2, 3, 4}));
    }
}

TEST(FBPCatalogue, EachRequestHasItsTypeAndRequestShape) {
    const Bytes z1(1, 0), z2(2, 0), z4(4, 0);
    const Entry entries[] = {
        entry<FBPGetHardwareRevisionExchange>("hardware revision", QUERY, 0x00000080, z1),
        entry<FBPGetFirmwareRevisionExchange>("firmware revision", QUERY, 0x00000090, z2),
        entry<FBPGetSerialNumberExchange>("serial number", QUERY, 0x00000100, {}),
        entry<FBPGetSerialNumberMaximumLengthExchange>("serial number length", QUERY, 0x00000101, {}),
        entry<FBPIntegrationTimeExchange>("integration time", COMMAND, 0x00110010, z4),
        entry<FBPTriggerModeExchange>("trigger mode", COMMAND, 0x00110110, z1),
        entry<FBPGetPixelBinningExchange>("binning", QUERY, 0x00110280, z1),
        entry<FBPGetMaxPixelBinningExchange>("max binning", QUERY, 0x00110281, z1),
        entry<FBPGetDefaultPixelBinningExchange>("default binning", QUERY, 0x00110285, z1),
        entry<FBPSetPixelBinningExchange>("set binning", COMMAND, 0x00110290, z1),
        entry<FBPSetDefaultPixelBinningExchange>("set default binning", COMMAND, 0x00110295, z1),
        entry<FBPLampEnableCommand>("lamp", COMMAND, 0x00110410, z1),
        entry<FBPSetAcquisitionDelayExchange>("acquisition delay", COMMAND, 0x00110510, z4),
        entry<FBPShutterExchange>("shutter", COMMAND, 0x00110610, Bytes{1}),
        entry<FBPGetScansToAverageExchange>("scans to average", QUERY, 0x00120000, z2),
        entry<FBPSetScansToAverageExchange>("set scans to average", COMMAND, 0x00120010, z2),
        entry<FBPGetBoxcarWidthExchange>("boxcar", QUERY, 0x00121000, z1),
        entry<FBPSetBoxcarWidthExchange>("set boxcar", COMMAND, 0x00121010, z1),
        entry<FBPGetWaveCalExchange>("wavelength coefficient", QUERY, 0x00180101, z1),
        entry<FBPGetNonlinearityCoeffsCountExchange>("nonlinearity count", QUERY, 0x00181100, {}),
        entry<FBPGetNonlinearityCoeffExchange>("nonlinearity coefficient", QUERY, 0x00181101, z1),
        entry<FBPGetIrradCalExchange>("irradiance", QUERY, 0x00182001, {}),
        entry<FBPGetIrradCollectionAreaExchange>("collection area", QUERY, 0x00182003, {}),
        entry<FBPSetIrradCalExchange>("set irradiance", COMMAND, 0x00182011, {}),
        entry<FBPSetIrradCollectionAreaExchange>("set collection area", COMMAND, 0x00182013, z4),
        entry<FBPGetStrayLightCoeffsCountExchange>("stray light count", QUERY, 0x00183100, {}),
        entry<FBPGetStrayLightCoeffExchange>("stray light coefficient", QUERY, 0x00183101, z1),
        entry<FBPGetOpticalBenchIDExchange>("bench id", QUERY, 0x001B0000, {}),
        entry<FBPGetOpticalBenchSerialNumberExchange>("bench serial", QUERY, 0x001B0100, {}),
        entry<FBPGetOpticalBenchSlitWidthMicronsExchange>("slit width", QUERY, 0x001B0200, z1),
        entry<FBPGetOpticalBenchFiberDiameterMicronsExchange>("fibre", QUERY, 0x001B0300, z1),
        entry<FBPGetOpticalBenchGratingExchange>("grating", QUERY, 0x001B0400, {}),
        entry<FBPGetOpticalBenchFilterExchange>("filter", QUERY, 0x001B0500, {}),
        entry<FBPGetOpticalBenchCoatingExchange>("coating", QUERY, 0x001B0600, {}),
        entry<FBPGetSaturationExchange>("saturation", QUERY, 0x001010A0, {}),
        entry<FBPGetDataBufferMaximumCapacityExchange>("buffer max", QUERY, 0x00100820, {}),
        entry<FBPGetDataBufferCapacityExchange>("buffer capacity", QUERY, 0x00100822, {}),
        entry<FBPDataBufferClearExchange>("buffer clear", COMMAND, 0x00100830, {}),
        entry<FBPSetDataBufferCapacityExchange>("set buffer capacity", COMMAND, 0x00100832, z4),
        entry<FBPGetDataBufferElementCountExchange>("buffer count", QUERY, 0x00100900, {}),
        entry<FBPContinuousStrobePeriodExchange>("strobe period", COMMAND, 0x00310010,
                                                 Bytes{0xA0, 0x86, 0x01, 0x00}),
        entry<FBPContinuousStrobeEnableExchange>("strobe enable", COMMAND, 0x00310011, z1),
        entry<FBPGetTemperatureCountExchange>("temperature count", QUERY, 0x00400000, {}),
        entry<FBPGetTemperatureExchange>("temperature", QUERY, 0x00400001, z4),
        entry<FBPGetAllTemperaturesExchange>("all temperatures", QUERY, 0x00400002, z1),
        entry<FBPGetThermoElectricTemperatureExchange>("TEC temperature", QUERY, 0x00420004, {}),
        entry<FBPSetThermoElectricEnableExchange>("TEC enable", COMMAND, 0x00420010, z1),
        entry<FBPSetThermoElectricSetpointExchange>("TEC set point", COMMAND, 0x00420011, z4),
        entry<FBPLightSourceEnabledQuery>("light enabled", QUERY, 0x00810021, z2),
        entry<FBPLightSourceEnableCommand>("light enable", COMMAND, 0x00810031, Bytes(3, 0)),
        entry<FBPLightSourceIntensityQuery>("light intensity", QUERY, 0x00810041, z2),
        entry<FBPLightSourceIntensityCommand>("set light intensity", COMMAND, 0x00810051, Bytes(6, 0)),
    };
    for (const Entry& e : entries) {
        SCOPED_TRACE(e.name);
        const std::unique_ptr<FBPTransaction> transaction = e.make();
        EXPECT_EQ(transaction->getMessageType(), e.type);
        ASSERT_EQ(transaction->getHints().size(), 1u);
        EXPECT_EQ(transaction->getHints()[0]->getHintID(), 1000);
        ScriptedTransferHelper helper;
        run(*transaction, e.command, helper);
        ASSERT_EQ(helper.sent().size(), 1u);
        EXPECT_EQ(helper.sent()[0], fbp::message(e.type, e.command ? 0x0004 : 0, e.request));
    }
}

TEST(FBPCatalogue, SettersWriteTheRequestData) {
    struct Case {
        const char* name;
        std::function<std::unique_ptr<FBPTransaction>()> prepare;
        bool command;
        Bytes data;
    };
    const Case cases[] = {
        {"integration time", [] {
             auto t = std::make_unique<FBPIntegrationTimeExchange>();
             t->setIntegrationTimeMicros(100000);
             return t;
         }, COMMAND, Bytes{0xA0, 0x86, 0x01, 0x00}},
        {"trigger mode keeps its low byte", [] {
             auto t = std::make_unique<FBPTriggerModeExchange>();
             t->setTriggerMode(0x0103);
             return t;
         }, COMMAND, Bytes{0x03}},
        {"temperature sensor 2", [] {
             auto t = std::make_unique<FBPGetTemperatureExchange>();
             t->setSensorIndex(2);
             return t;
         }, QUERY, Bytes{0x02, 0x00, 0x00, 0x00}},
        {"light source enabled", [] {
             auto t = std::make_unique<FBPLightSourceEnabledQuery>();
             t->setLightSource(0, 1);
             return t;
         }, QUERY, Bytes{0x00, 0x01}},
        {"light source on", [] {
             auto t = std::make_unique<FBPLightSourceEnableCommand>();
             t->setLightSourceEnable(0, 1, true);
             return t;
         }, COMMAND, Bytes{0x00, 0x01, 0x01}},
        {"light source intensity", [] {
             auto t = std::make_unique<FBPLightSourceIntensityQuery>();
             t->setLightSource(2, 3);
             return t;
         }, QUERY, Bytes{0x02, 0x03}},
        {"light source at half intensity", [] {
             auto t = std::make_unique<FBPLightSourceIntensityCommand>();
             t->setLightSourceIntensity(0, 0, 0.5);
             return t;
         }, COMMAND, Bytes{0x00, 0x00, 0x00, 0x00, 0x00, 0x3F}},
        {"default binning reset", [] {
             auto t = std::make_unique<FBPSetDefaultPixelBinningExchange>();
             t->setPayload({});
             return t;
         }, COMMAND, Bytes{}},
        {"default binning 4", [] {
             auto t = std::make_unique<FBPSetDefaultPixelBinningExchange>();
             t->setPayload({4});
             return t;
         }, COMMAND, Bytes{4}},
        {"set point -10.25", [] {
             auto t = std::make_unique<FBPSetThermoElectricSetpointExchange>();
             t->setPayload(f32Bytes(-10.25f));
             return t;
         }, COMMAND, Bytes{0x00, 0x00, 0x24, 0xC1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::unique_ptr<FBPTransaction> transaction = c.prepare();
        ScriptedTransferHelper helper;
        run(*transaction, c.command, helper);
        ASSERT_EQ(helper.sent().size(), 1u);
        EXPECT_EQ(helper.sent()[0], fbp::message(transaction->getMessageType(),
                                                 c.command ? 0x0004 : 0, c.data));
    }
}

TEST(FBPCatalogue, IntegrationTimeKeepsTheUnitsItSent) {
    FBPIntegrationTimeExchange exchange;
    EXPECT_EQ(exchange.getIntegrationTimeBase(), 1u);
    EXPECT_EQ(exchange.getIntegrationTimeUnits(), 100000u);
    exchange.setIntegrationTimeMicros(0x01020304);
    EXPECT_EQ(exchange.getIntegrationTimeUnits(), 0x01020304u);
    EXPECT_EQ(exchange.getPayload(), (Bytes{0x04, 0x03, 0x02, 0x01}));
}

TEST(FBPCatalogue, AnIrradianceTableTravelsInThePayload) {
    FBPSetIrradCalExchange exchange;
    Bytes values;
    for (float v : {1.0f, 2.0f, 0.5f, -1.0f, 3.0f}) appendF32(values, v);
    exchange.setPayload(values);
    ScriptedTransferHelper helper;
    run(exchange, COMMAND, helper);
    const Bytes sent = helper.sent().at(0);
    ASSERT_EQ(sent.size(), 84u);
    EXPECT_EQ(sent, fbp::message(0x00182011, 0x0004, {}, values));
    EXPECT_EQ(Bytes(sent.begin() + 44, sent.begin() + 48), (Bytes{0x00, 0x00, 0x80, 0x3F}));
}

}  // namespace
}  // namespace spectro::test
