#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "device/buses/network/TCPIPv4BusModels.h"
#include "device/buses/rs232/SpectrometerRS232Interface.h"
#include "device/buses/usb/SpectrometerUSBInterface.h"
#include "device/common/FeatureFamilies.h"
#include "device/features/STSPixelBinningFeature.h"
#include "device/features/SpectrometerFeature.h"
#include "device/models/FBPDevice.h"
#include "device/models/FBPModels.h"
#include "device/support/FeatureList.h"
#include "device/support/MessageOf.h"
#include "device/protocols/fbp/FBPWire.h"

namespace spectro::test {
namespace {

using namespace fbp;
using framedBinaryProtocol::FramedBinaryProtocol;

constexpr std::uint32_t GET_MAX_BINNING = 0x00110281;
constexpr std::uint32_t SET_BINNING = 0x00110290;
constexpr std::uint32_t SPECTRUM = 0x00101000;
constexpr std::uint32_t BUFFERED_SPECTRUM = 0x00100928;
constexpr std::uint32_t COOLER_TEMPERATURE = 0x00420004;
constexpr std::uint32_t LIGHT_SOURCE_ENABLED = 0x00810021;
constexpr std::uint32_t SATURATION = 0x001010A0;

SpectrometerFeatureInterface& spectrometerOf(const Device& device) {
    return dynamic_cast<SpectrometerFeatureInterface&>(*device.getFeatures().front());
}

Bytes u16Pixels(const std::vector<std::uint16_t>& pixels) {
    Bytes bytes;
    for (std::uint16_t p : pixels) {
        bytes.push_back(static_cast<std::uint8_t>(p));
        bytes.push_back(static_cast<std::uint8_t>(p >> 8));
    }
    return bytes;
}

Bytes f32Bytes(float value) {
    Bytes bytes(4);
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
}

TEST(FBPModels, EveryRowAgreesWithItsBuses) {
    struct Case {
        const FBPModelRow& row;
        std::uint16_t productId;
        const char* furtherBus;  // family of the second bus, none when there is one bus only
    };
    const Case cases[] = {
        {models::sts(), 0x4000, "RS232"},   {models::qePro(), 0x4004, "RS232"},
        {models::spark(), 0x4200, "RS232"}, {models::ventana(), 0x5000, nullptr},
        {models::blaze(), 0x2001, "TCP/IPv4"},
    };
    for (const Case& c : cases) {
        const FBPDevice device(c.row);
        EXPECT_EQ(device.getName(), c.row.name);
        auto* usb = dynamic_cast<SpectrometerUSBInterface*>(device.getBuses().front());
        ASSERT_NE(usb, nullptr) << c.row.name;
        EXPECT_EQ(usb->getVendorId(), 0x2457) << c.row.name;
        EXPECT_EQ(usb->getProductId(), c.productId) << c.row.name;
        ASSERT_EQ(device.getBuses().size(), c.furtherBus ? 2u : 1u) << c.row.name;
        if (c.furtherBus) EXPECT_EQ(device.getBuses()[1]->getBusFamily().getName(), c.furtherBus);
        ASSERT_EQ(device.getProtocols().size(), 1u);
        EXPECT_EQ(device.getProtocols().front()->getID(), 2000);
        EXPECT_EQ(device.getOpenedBus(), nullptr);
    }
    EXPECT_NE(dynamic_cast<SpectrometerRS232Interface*>(FBPDevice(models::sts()).getBuses()[1]),
              nullptr);
    EXPECT_NE(dynamic_cast<BlazeTCPIPv4*>(FBPDevice(models::blaze()).getBuses()[1]), nullptr);
    const FBPDevice ventana(models::ventana());
    EXPECT_EQ((std::vector<int>{ventana.getCmdOutEndpoint(), ventana.getReplyInEndpoint(),
                                ventana.getAuxOutEndpoint(), ventana.getDataInEndpoint()}),
              (std::vector<int>{0x01, 0x82, 0, 0}));
}

TEST(FBPModels, FeatureListsInOrder) {
    EXPECT_EQ(featureList(FBPDevice(models::sts())),
              "Spec, Binning, Serial, Shutter, Irrad, NL, Temp, Rev, Bench, Proc, SL, CStrobe, "
              "Delay, Strobe, Raw");
    EXPECT_EQ(featureList(FBPDevice(models::qePro())),
              "Spec, Buffer, Serial, Irrad, NL, SL, TEC, CStrobe, Strobe, Raw");
    EXPECT_EQ(featureList(FBPDevice(models::spark())),
              "Spec, Serial, Shutter, Irrad, NL, Temp, Rev, Bench, Proc, SL, CStrobe, Raw");
    EXPECT_EQ(featureList(Ventana()), "Spec, Serial, NL, SL, Raw");
    EXPECT_EQ(featureList(FBPDevice(models::blaze())), "Spec, Serial, NL, SL, Strobe, Raw");
}

TEST(FBPModels, TheVentanaSpeaksOverUSBOnly) {
    const BusFamilies buses;
    const api::FeatureFamilies features;
    const api::ProtocolFamilies protocols;
    const Ventana ventana;
    const FBPDevice blaze(models::blaze());
    for (const BusFamily& bus : std::vector<BusFamily>{buses.USB, buses.RS232, buses.TCPIPv4}) {
        EXPECT_TRUE(blaze.getSupportedProtocol(features.UNDEFINED, bus)
                        .equals(protocols.FRAMED_BINARY_PROTOCOL));
        EXPECT_EQ(ventana.getSupportedProtocol(features.SPECTROMETER, bus)
                      .equals(protocols.FRAMED_BINARY_PROTOCOL),
                  bus.equals(buses.USB));
    }
}

class STSBinning : public ::testing::Test {
  protected:
    STSBinning() : sts(models::sts()) {
        binning = dynamic_cast<STSPixelBinningFeature*>(sts.getFeatures()[1]);
    }

    // Asks for one formatted spectrum and returns the length of the read.
    std::uint32_t spectrumReadLength(std::size_t pixels) {
        bus.helper().reply(message(SPECTRUM, 0, {}, u16Pixels(std::vector<std::uint16_t>(pixels, 7))));
        const auto spectrum = spectrometerOf(sts).getSpectrum(fbpProtocol, bus);
        EXPECT_EQ(spectrum ? spectrum->size() : 0u, pixels);
        return bus.helper().operations().back().length;
    }

    FBPDevice sts;
    STSPixelBinningFeature* binning = nullptr;
    ScriptedBus bus;
    FramedBinaryProtocol fbpProtocol;
};

TEST_F(STSBinning, AFactorTheUnitTakesResizesBothReads) {
    ASSERT_NE(binning, nullptr);
    EXPECT_EQ(spectrumReadLength(1024), 2112u);
    bus.helper().reply(message(GET_MAX_BINNING, 0, {3}));
    bus.helper().reply(message(SET_BINNING, ACK));
    binning->setPixelBinningFactor(fbpProtocol, bus, 2);
    EXPECT_EQ(dataOf(bus.helper().sent().back()), (Bytes{2}));
    EXPECT_EQ(spectrometerOf(sts).getNumberOfPixels(), 256);
    EXPECT_EQ(spectrumReadLength(256), 576u);
    bus.helper().reply(message(SPECTRUM, 0, {}, u16Pixels(std::vector<std::uint16_t>(256, 9))));
    EXPECT_EQ(spectrometerOf(sts).getRawSpectrum(fbpProtocol, bus).size(), 512u);
    EXPECT_EQ(bus.helper().operations().back().length, 576u);
}

TEST_F(STSBinning, RefusedFactorsLeaveEverythingUnbinned) {
    // Above the unit's largest factor.
    bus.helper().reply(message(GET_MAX_BINNING, 0, {3}));
    EXPECT_EQ(messageOf([&] { binning->setPixelBinningFactor(fbpProtocol, bus, 4); }),
              "Specified binning factor is not supported.");
    // The unit refuses the command.
    bus.helper().reply(message(GET_MAX_BINNING, 0, {3}));
    bus.helper().reply(message(SET_BINNING, NACK));
    try {
        binning->setPixelBinningFactor(fbpProtocol, bus, 2);
        ADD_FAILURE() << "a refused binning command passed";
    } catch (const FeatureControlException& e) {
        EXPECT_STREQ(e.what(),
                     "Caught protocol exception: Device rejected the enable command.  Is it "
                     "supported on this hardware?");
    }
    // Above 10 no pixel would be left: refused before anything is sent, whatever the unit says.
    const std::size_t operations = bus.helper().operations().size();
    for (std::uint8_t factor : {11, 32, 255}) {
        EXPECT_EQ(messageOf([&] { binning->setPixelBinningFactor(fbpProtocol, bus, factor); }),
                  "Specified binning factor is not supported.");
        EXPECT_EQ(messageOf([&] { binning->setDefaultPixelBinningFactor(fbpProtocol, bus, factor); }),
                  "Specified binning factor is not supported.");
    }
    EXPECT_EQ(bus.helper().operations().size(), operations);
    EXPECT_EQ(spectrometerOf(sts).getNumberOfPixels(), 1024);
    EXPECT_EQ(spectrumReadLength(1024), 2112u);
}

TEST(VentanaInitialize, AddsTheCoolerAndTheLightSourceOnlyWhenTheUnitAnswers) {
    const FramedBinaryProtocol fbpProtocol;
    {
        Ventana ventana;
        ScriptedBus bus;
        bus.helper().reply(message(COOLER_TEMPERATURE, NACK));
        bus.helper().reply(message(LIGHT_SOURCE_ENABLED, 0, {1}));
        EXPECT_TRUE(ventana.initialize(bus));
        EXPECT_EQ(featureList(ventana), "Spec, Serial, NL, SL, Raw, Light");
        EXPECT_EQ(bus.helper().sent().size(), 3u);  // the base initialisation asks the source again
    }
    {
        Ventana ventana;
        ScriptedBus bus;
        bus.helper().reply(message(COOLER_TEMPERATURE, 0, f32Bytes(14.5f)));
        bus.helper().reply(message(LIGHT_SOURCE_ENABLED, NACK));
        EXPECT_TRUE(ventana.initialize(bus));
        EXPECT_EQ(featureList(ventana), "Spec, Serial, NL, SL, Raw, TEC");
    }
    {
        Ventana ventana;
        ScriptedBus bus;
        bus.helper().reply(message(COOLER_TEMPERATURE, 0, f32Bytes(14.5f)));
        bus.helper().reply(message(LIGHT_SOURCE_ENABLED, 0, {0}));
        EXPECT_TRUE(ventana.initialize(bus));
        EXPECT_EQ(featureList(ventana), "Spec, Serial, NL, SL, Raw, TEC, Light");
    }
    {
        // Over another bus the Ventana offers no protocol: nothing is probed or added.
        Ventana ventana;
        ScriptedBus bus;
        bus.family = BusFamilies().RS232;
        EXPECT_TRUE(ventana.initialize(bus));
        EXPECT_EQ(featureList(ventana), "Spec, Serial, NL, SL, Raw");
        EXPECT_TRUE(bus.helper().operations().empty());
    }
}

TEST(BlazeGain, InitialisationReadsTheSaturationLevelToScaleWith) {
    const FramedBinaryProtocol fbpProtocol;
    struct Case {
        Bytes saturationReply;
        std::vector<double> expected;  // of raw pixels 65535, 1000, 0
    };
    const Case cases[] = {
        // M = 65535, S = 50000: 1000 becomes 1310.7; a full pixel stays at the ceiling.
        {message(SATURATION, 0, {0x50, 0xC3, 0x00, 0x00}), {65535.0, 1310.7, 0.0}},
        // The unit does not tell its level: factor 1.
        {message(SATURATION, NACK), {65535.0, 1000.0, 0.0}},
    };
    for (const Case& c : cases) {
        FBPDevice blaze(models::blaze());
        ScriptedBus bus;
        bus.helper().reply(c.saturationReply);
        EXPECT_TRUE(blaze.initialize(bus));
        std::vector<std::uint16_t> raw(2088, 0);
        raw[0] = 65535;
        raw[1] = 1000;
        bus.helper().reply(message(SPECTRUM, 0, {}, u16Pixels(raw)));
        const auto spectrum = spectrometerOf(blaze).getSpectrum(fbpProtocol, bus);
        ASSERT_TRUE(spectrum.has_value());
        ASSERT_EQ(spectrum->size(), 2088u);
        EXPECT_DOUBLE_EQ((*spectrum)[0], c.expected[0]);
        EXPECT_DOUBLE_EQ((*spectrum)[1], c.expected[1]);
        EXPECT_DOUBLE_EQ((*spectrum)[2], c.expected[2]);
    }
}

TEST(QEProSpectrum, TakesItsPixelsFromTheWordsAfterTheMetadata) {
    const FramedBinaryProtocol fbpProtocol;
    FBPDevice qePro(models::qePro());
    ScriptedBus bus;
    Bytes data(32, 0xAB);  // metadata
    for (std::uint32_t i = 0; i < 1044; ++i) {
        const std::uint32_t word = 100000 + i * 70;
        for (int b = 0; b < 4; ++b) data.push_back(static_cast<std::uint8_t>(word >> (8 * b)));
    }
    bus.helper().reply(message(BUFFERED_SPECTRUM, 0, {}, data));
    const auto spectrum = spectrometerOf(qePro).getSpectrum(fbpProtocol, bus);
    ASSERT_TRUE(spectrum.has_value());
    ASSERT_EQ(spectrum->size(), 1044u);
    EXPECT_DOUBLE_EQ(spectrum->front(), 100000.0);
    EXPECT_DOUBLE_EQ(spectrum->back(), 100000.0 + 1043 * 70);
    EXPECT_EQ(bus.helper().operations().back().length, 4272u);
    EXPECT_EQ(getU32(bus.helper().sent().front(), 8), BUFFERED_SPECTRUM);
}

}  // namespace
}  // namespace spectro::test
