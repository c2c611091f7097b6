#include <gtest/gtest.h>

#include <map>
#include <string>

#include "device/api/ExtraFeaturesCollection.h"
#include "device/buses/network/TCPIPv4BusModels.h"
#include "device/buses/usb/SpectrometerUSBInterface.h"
#include "device/common/DeviceFactory.h"
#include "device/features/ForwardingFeatures.h"
#include "device/features/SpectrometerFeature.h"
#include "device/models/LegacyDevice.h"
#include "device/models/LegacyModels.h"
#include "device/support/FeatureList.h"

namespace spectro::test {
namespace {

TEST(DeviceFactory, ModelsInByteWiseNameOrder) {
    const DeviceFactory& factory = DeviceFactory::getInstance();
    const std::vector<std::pair<std::string, std::string>> expected{
        {"Apex", "Apex"},          {"Blaze", "Blaze"},             {"FlameNIR", "Flame-NIR"},
        {"HR2000", "HR2000"},      {"HR2000Plus", "HR2000+"},      {"HR4000", "HR4000"},
        {"Jaz", "Jaz"},            {"Maya2000", "Maya2000"},       {"Maya2000Pro", "Maya2000Pro"},
        {"MayaLSL", "MayaLSL"},    {"NIRQuest256", "NIRQuest256"}, {"NIRQuest512", "NIRQuest512"},
        // '-' sorts before '6', and 'T' before 'p'.
        {"QE-PRO", "QE-PRO"},      {"QE65000", "QE65000"},         {"STS", "STS"},
        {"Spark", "Spark"},        {"Torus", "Torus"},             {"USB2000", "USB2000"},
        {"USB2000Plus", "USB2000+"}, {"USB4000", "USB4000"},       {"Ventana", "Ventana"},
    };
    ASSERT_EQ(factory.getNumberOfModels(), static_cast<int>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const int position = static_cast<int>(i);
        EXPECT_EQ(factory.getRegistryName(position), expected[i].first);
        const auto device = factory.createModel(position);
        ASSERT_NE(device, nullptr) << expected[i].first;
        EXPECT_EQ(device->getName(), expected[i].second);
        EXPECT_EQ(device->getOpenedBus(), nullptr);  // created closed
    }
    EXPECT_EQ(factory.createModel(factory.getNumberOfModels()), nullptr);
    EXPECT_EQ(factory.createModel(-1), nullptr);
    EXPECT_EQ(factory.getRegistryName(99), "");
}

TEST(LegacyModels, EveryRowAgreesWithItsBus) {
    for (const LegacyModelRow* row : models::legacyModelRows()) {
        const LegacyDevice device(*row);
        // The USB bus first; the Jaz then has its network bus.
        ASSERT_EQ(device.getBuses().size(), row->furtherBuses.size() + 1) << row->name;
        auto* usb = dynamic_cast<SpectrometerUSBInterface*>(device.getBuses().front());
        ASSERT_NE(usb, nullptr) << row->name;
        EXPECT_EQ(usb->getVendorId(), 0x2457) << row->name;
        EXPECT_EQ(usb->getProductId(), row->productId) << row->name;
        ASSERT_EQ(device.getProtocols().size(), 1u) << row->name;
        EXPECT_EQ(device.getProtocols().front()->getID(), 1000) << row->name;
        EXPECT_EQ(device.getFeatures().size(), row->features.size()) << row->name;
        // The spectrometer feature is first and is built with the row's constants.
        auto* spectrometer = dynamic_cast<SpectrometerFeatureInterface*>(device.getFeatures().front());
        ASSERT_NE(spectrometer, nullptr) << row->name;
        EXPECT_EQ(spectrometer->getNumberOfPixels(), row->spectrometer.numberOfPixels);
        EXPECT_EQ(spectrometer->getMaximumIntensity(), row->spectrometer.maxIntensity);
        // A frame holds every pixel the feature promises.
        const std::uint32_t pixelBytes = 2 * static_cast<std::uint32_t>(row->spectrometer.numberOfPixels);
        EXPECT_LE(pixelBytes, row->frameLength) << row->name;
    }
}

TEST(LegacyModels, TheJazIsAlsoReachedOverTCP) {
    const LegacyDevice jaz(models::jaz());
    ASSERT_EQ(jaz.getBuses().size(), 2u);
    EXPECT_NE(dynamic_cast<JazTCPIPv4*>(jaz.getBuses()[1]), nullptr);
}

TEST(LegacyModels, FeatureListsInOrder) {
    struct Case {
        const LegacyModelRow& row;
        std::string features;
    };
    const Case cases[] = {
        {models::hr2000Plus(), "Spec, Serial, EEPROM, Strobe, CStrobe, Irrad, NL, SL, Raw, Extra"},
        {models::hr4000(), "Spec, Serial, EEPROM, Strobe, CStrobe, Irrad, NL, SL, Raw"},
        {models::hr2000(), "Spec, Serial, EEPROM, Strobe, NL, SL, Raw"},
        {models::usb2000(), "Spec, Serial, EEPROM, Strobe, Irrad, NL, SL, Raw"},
        {models::usb2000Plus(), "Spec, Serial, EEPROM, Strobe, CStrobe, Irrad, NL, SL, Raw"},
        {models::usb4000(), "Spec, Serial, EEPROM, Strobe, CStrobe, Irrad, NL, SL, Raw"},
        {models::torus(), "Spec, Serial, EEPROM, Strobe, CStrobe, Irrad, NL, SL, Raw"},
        {models::maya2000(), "Spec, Serial, EEPROM, Strobe, CStrobe, Irrad, Delay, NL, SL, Raw"},
        {models::maya2000Pro(), "Spec, Serial, EEPROM, Strobe, CStrobe, Irrad, NL, SL, Raw, Extra"},
        {models::mayaLSL(), "Spec, Serial, EEPROM, Strobe, CStrobe, Irrad, NL, SL, Raw"},
        {models::apex(), "Spec, Serial, EEPROM, Irrad, NL, SL"},
        {models::qe65000(), "Spec, Serial, EEPROM, Strobe, CStrobe, TEC, Irrad, Delay, NL, SL, Raw"},
        {models::nirQuest512(), "Spec, Serial, EEPROM, Strobe, CStrobe, TEC, Irrad, Delay, NL, SL, Raw"},
        {models::nirQuest256(), "Spec, Serial, EEPROM, Strobe, CStrobe, TEC, Irrad, Delay, NL, SL, Raw"},
        {models::flameNIR(), "Spec, Serial, EEPROM, Strobe, CStrobe, Irrad, NL, SL, Raw"},
        {models::jaz(), "Spec, Serial, EEPROM, Strobe, NL, SL, Raw"},
    };
    for (const Case& c : cases) EXPECT_EQ(featureList(LegacyDevice(c.row)), c.features) << c.row.name;
}

TEST(LegacyModels, HR2000PlusCarriesTheCollectionOfTypeOne) {
    const LegacyDevice device(models::hr2000Plus());
    EXPECT_EQ(device.getName(), "HR2000+");
    EXPECT_EQ((std::vector<int>{device.getCmdOutEndpoint(), device.getReplyInEndpoint(),
                                device.getAuxOutEndpoint(), device.getDataInEndpoint(),
                                device.getDataIn2Endpoint()}),
              (std::vector<int>{0x01, 0x81, 0x00, 0x82, 0x86}));
    auto* extra = dynamic_cast<ExtraFeaturesCollection*>(device.getFeatures().back());
    ASSERT_NE(extra, nullptr);
    EXPECT_EQ(extra->getSpectrometerType(), 1);
    const LegacyDevice mayaPro(models::maya2000Pro());
    auto* maya = dynamic_cast<ExtraFeaturesCollection*>(mayaPro.getFeatures().back());
    ASSERT_NE(maya, nullptr);
    EXPECT_EQ(maya->getSpectrometerType(), 2);
}

TEST(LegacyModels, ProtocolOnlyOverTheirBuses) {
    const BusFamilies buses;
    const api::FeatureFamilies features;
    const api::ProtocolFamilies protocols;
    const LegacyDevice hr(models::hr2000Plus());
    const LegacyDevice jaz(models::jaz());
    EXPECT_TRUE(hr.getSupportedProtocol(features.SPECTROMETER, buses.USB)
                    .equals(protocols.LEGACY_USB_PROTOCOL));
    EXPECT_TRUE(hr.getSupportedProtocol(features.SPECTROMETER, buses.RS232)
                    .equals(protocols.UNDEFINED_PROTOCOL));
    EXPECT_TRUE(hr.getSupportedProtocol(features.SPECTROMETER, buses.TCPIPv4)
                    .equals(protocols.UNDEFINED_PROTOCOL));
    EXPECT_TRUE(jaz.getSupportedProtocol(features.UNDEFINED, buses.TCPIPv4)
                    .equals(protocols.LEGACY_USB_PROTOCOL));
}

TEST(LegacyModels, ApexHasNoStrobeLine) {
    const LegacyDevice apex(models::apex());
    for (Feature* feature : apex.getFeatures())
        EXPECT_EQ(dynamic_cast<StrobeLampFeatureInterface*>(feature), nullptr);
}

}  // namespace
}  // namespace spectro::test
