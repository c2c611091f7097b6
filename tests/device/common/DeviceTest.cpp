#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/common/Device.h"
#include "device/support/Scripted.h"

namespace spectro {
namespace {

using test::ScriptedBus;

std::vector<std::string>* destructionLog = nullptr;

class RecordingFeature : public FeatureImpl {
  public:
    enum class Behaviour { SUCCEED, FEATURE_ERROR, PROTOCOL_ERROR };
    RecordingFeature(std::string name, FeatureFamily family,
                     Behaviour behaviour = Behaviour::SUCCEED)
        : name(std::move(name)), family(std::move(family)), behaviour(behaviour) {}
    ~RecordingFeature() override {
        if (destructionLog) destructionLog->push_back(name);
    }
    bool initialize(const Protocol& protocol, const Bus&) override {
        initializedWith.push_back(protocol.getID());
        if (behaviour == Behaviour::FEATURE_ERROR) throw FeatureException("cannot read");
        if (behaviour == Behaviour::PROTOCOL_ERROR) throw ProtocolException("not a feature error");
        return false;  // the device does not look at it
    }
    FeatureFamily getFeatureFamily() override { return family; }

    std::string name;
    FeatureFamily family;
    Behaviour behaviour;
    std::vector<int> initializedWith;
};

class RecordingProtocol : public legacyProtocol::LegacyProtocol {
  public:
    explicit RecordingProtocol(std::string name) : name(std::move(name)) {}
    ~RecordingProtocol() override {
        if (destructionLog) destructionLog->push_back(name);
    }
    std::string name;
};

class RecordingBus : public ScriptedBus {
  public:
    explicit RecordingBus(std::string name) : name(std::move(name)) {}
    ~RecordingBus() override {
        if (destructionLog) destructionLog->push_back(name);
    }
    std::string name;
};

// A legacy-style model: LegacyUSB on USB, nothing elsewhere.
class TestDevice : public Device {
  public:
    TestDevice() : Device("Test model") {}
    ProtocolFamily getSupportedProtocol(const FeatureFamily&, const BusFamily& bus) const override {
        if (bus.equals(BusFamilies().USB)) return api::ProtocolFamilies().LEGACY_USB_PROTOCOL;
        return api::ProtocolFamilies().UNDEFINED_PROTOCOL;
    }
    RecordingBus& addBus(std::string name, BusFamily family = BusFamilies().USB) {
        auto bus = std::make_unique<RecordingBus>(std::move(name));
        bus->family = family;
        RecordingBus& result = *bus;
        buses.push_back(std::move(bus));
        return result;
    }
    RecordingFeature& addFeature(std::unique_ptr<RecordingFeature> feature) {
        RecordingFeature& result = *feature;
        features.push_back(std::move(feature));
        return result;
    }
    void addProtocol(std::string name) {
        protocols.push_back(std::make_unique<RecordingProtocol>(std::move(name)));
    }
};

TEST(Device, StartsClosedWithoutLocation) {
    TestDevice device;
    EXPECT_EQ(device.getName(), "Test model");
    EXPECT_EQ(device.getLocation(), nullptr);
    EXPECT_EQ(device.getOpenedBus(), nullptr);
    EXPECT_EQ(device.getCmdOutEndpoint(), 0);
    EXPECT_EQ(device.open(), -1);
}

TEST(Device, OpenWithoutABusOfTheLocatorsFamilyGivesMinusTwo) {
    TestDevice device;
    device.addBus("rs232", BusFamilies().RS232);
    device.setLocation(USBDeviceLocator(1));
    EXPECT_EQ(device.open(), -2);
    EXPECT_EQ(device.getOpenedBus(), nullptr);
}

TEST(Device, OpenReportsBusFailuresAsStatus) {
    TestDevice device;
    RecordingBus& bus = device.addBus("usb");
    device.setLocation(USBDeviceLocator(1));
    bus.throwOnSetLocation = true;
    EXPECT_EQ(device.open(), -3);
    bus.throwOnSetLocation = false;
    bus.openResult = false;
    EXPECT_EQ(device.open(), -4);
    EXPECT_EQ(device.getOpenedBus(), nullptr);
}

TEST(Device, OpenUsesTheFirstBusOfTheFamilyAndCloseForgetsIt) {
    TestDevice device;
    device.addBus("tcp", BusFamilies().TCPIPv4);
    RecordingBus& first = device.addBus("usb 1");
    device.addBus("usb 2");
    device.setLocation(USBDeviceLocator(7));
    EXPECT_EQ(device.getLocation()->getUniqueLocation(), 7u);
    ASSERT_EQ(device.open(), 0);
    EXPECT_EQ(device.getOpenedBus(), &first);
    ASSERT_NE(first.getLocation(), nullptr);
    EXPECT_TRUE(first.getLocation()->equals(USBDeviceLocator(7)));
    device.close();
    EXPECT_EQ(first.closeCount, 1);
    EXPECT_EQ(device.getOpenedBus(), nullptr);
    device.close();
    EXPECT_EQ(first.closeCount, 1);
}

TEST(Device, SetLocationKeepsACopy) {
    TestDevice device;
    {
        USBDeviceLocator temporary(3);
        device.setLocation(temporary);
    }
    device.setLocation(USBDeviceLocator(4));
    EXPECT_EQ(device.getLocation()->getUniqueLocation(), 4u);
}

TEST(Device, InitializeGivesEachFeatureTheFirstProtocolOfTheSupportedFamily) {
    TestDevice device;
    device.addProtocol("legacy");
    auto& a = device.addFeature(
        std::make_unique<RecordingFeature>("a", api::FeatureFamilies().SPECTROMETER));
    auto& b = device.addFeature(std::make_unique<RecordingFeature>(
        "b", api::FeatureFamilies().SERIAL_NUMBER, RecordingFeature::Behaviour::FEATURE_ERROR));
    auto& c =
        device.addFeature(std::make_unique<RecordingFeature>("c", api::FeatureFamilies().EEPROM));
    ScriptedBus bus;
    EXPECT_TRUE(device.initialize(bus));
    EXPECT_EQ(a.initializedWith, std::vector<int>{1000});
    EXPECT_EQ(b.initializedWith, std::vector<int>{1000});
    EXPECT_EQ(c.initializedWith, std::vector<int>{1000});  // the loop went on after b
    EXPECT_EQ(device.getFeatures().size(), 3u);            // b stays listed
}

TEST(Device, InitializeOnAnUnsupportedBusSkipsEveryFeature) {
    TestDevice device;
    device.addProtocol("legacy");
    auto& a = device.addFeature(
        std::make_unique<RecordingFeature>("a", api::FeatureFamilies().SPECTROMETER));
    ScriptedBus tcp;
    tcp.family = BusFamilies().TCPIPv4;
    EXPECT_TRUE(device.initialize(tcp));
    EXPECT_TRUE(a.initializedWith.empty());
}

TEST(Device, InitializeLetsOtherExceptionsThrough) {
    TestDevice device;
    device.addProtocol("legacy");
    device.addFeature(std::make_unique<RecordingFeature>(
        "a", api::FeatureFamilies().SPECTROMETER, RecordingFeature::Behaviour::PROTOCOL_ERROR));
    ScriptedBus bus;
    EXPECT_THROW(device.initialize(bus), ProtocolException);
}

TEST(Device, ListsByFamilyAndAccessors) {
    TestDevice device;
    device.addBus("usb");
    device.addBus("tcp", BusFamilies().TCPIPv4);
    device.addProtocol("legacy");
    EXPECT_EQ(device.getBuses().size(), 2u);
    EXPECT_EQ(device.getBusesByFamily(BusFamilies().TCPIPv4).size(), 1u);
    EXPECT_TRUE(device.getBusesByFamily(BusFamilies().RS232).empty());
    EXPECT_EQ(device.getProtocolsByFamily(api::ProtocolFamilies().LEGACY_USB_PROTOCOL).size(), 1u);
    EXPECT_TRUE(device.getProtocolsByFamily(api::ProtocolFamilies().UNDEFINED_PROTOCOL).empty());
    EXPECT_EQ(device.getProtocols().size(), 1u);
}

TEST(Device, DestroysFeaturesThenProtocolsThenBusesEachInOrder) {
    std::vector<std::string> log;
    destructionLog = &log;
    {
        TestDevice device;
        device.addBus("bus 1");
        device.addBus("bus 2");
        device.addProtocol("protocol 1");
        device.addProtocol("protocol 2");
        device.addFeature(
            std::make_unique<RecordingFeature>("feature 1", api::FeatureFamilies().EEPROM));
        device.addFeature(
            std::make_unique<RecordingFeature>("feature 2", api::FeatureFamilies().EEPROM));
    }
    destructionLog = nullptr;
    EXPECT_EQ(log, (std::vector<std::string>{"feature 1", "feature 2", "protocol 1", "protocol 2",
                                             "bus 1", "bus 2"}));
}

}  // namespace
}  // namespace spectro
