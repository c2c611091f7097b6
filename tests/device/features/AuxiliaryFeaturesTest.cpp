#include <gtest/gtest.h>

#include <functional>

#include "device/features/ForwardingFeatures.h"
#include "device/features/LightSourceFeature.h"
#include "device/features/ThermoElectricFeature.h"
#include "device/support/MessageOf.h"
#include "device/support/Protocols.h"
#include "device/support/Scripted.h"

namespace spectro::test {
namespace {

// ----- cooler -----

class FakeCooler : public ThermoElectricProtocolInterface, public ProtocolHelper {
  public:
    FakeCooler() : ProtocolHelper(std::make_unique<legacyProtocol::LegacyProtocol>()) {}
    double readTECTemperature(const Bus&) override {
        check();
        return -4.5;
    }
    void setTECEnable(const Bus&, bool enable) override {
        check();
        calls.push_back(std::string("enable ") + (enable ? "on" : "off"));
    }
    void setTECSetPoint(const Bus&, double degrees) override {
        check();
        calls.push_back("set point " + std::to_string(degrees));
    }
    void check() {
        if (fail) throw ProtocolException("cooler refused");
    }
    bool fail = false;
    std::vector<std::string> calls;
};

struct Cooler {
    FakeCooler* fake;
    std::unique_ptr<ThermoElectricQEFeature> feature;
    Cooler() {
        auto implementation = std::make_unique<FakeCooler>();
        fake = implementation.get();
        feature = std::make_unique<ThermoElectricQEFeature>(std::move(implementation));
    }
};

TEST(ThermoElectricQEFeature, DefaultsComeFromSlot17) {
    Cooler cooler;
    ScriptedBus bus;
    const Bytes defaults{0x01, 0x00, 0x38, 0xFF};
    bus.helper().reply(slotReply(17, defaults));
    bus.helper().reply(slotReply(17, defaults));
    EXPECT_TRUE(cooler.feature->getDefaultThermoElectricEnable(legacy, bus));
    EXPECT_DOUBLE_EQ(cooler.feature->getDefaultSetPointCelsius(legacy, bus), -20.0);
    EXPECT_EQ(bus.helper().sent(), (std::vector<Bytes>{{0x05, 17}, {0x05, 17}}));
}

TEST(ThermoElectricQEFeature, InitializeAppliesTheDefaults) {
    Cooler cooler;
    ScriptedBus bus;
    bus.helper().reply(slotReply(17, Bytes{0x00, 0x00, 0x64, 0x00}));
    bus.helper().reply(slotReply(17, Bytes{0x00, 0x00, 0x64, 0x00}));
    EXPECT_TRUE(cooler.feature->initialize(legacy, bus));
    EXPECT_EQ(cooler.fake->calls,
              (std::vector<std::string>{"enable off", "set point " + std::to_string(10.0)}));
}

TEST(ThermoElectricQEFeature, InitializeFailsWithoutValidDefaults) {
    Cooler cooler;
    ScriptedBus bus;
    bus.helper().reply(slotReply(17, Bytes{0x02, 0x00, 0x64, 0x00}));
    EXPECT_EQ(messageOf([&] { cooler.feature->getDefaultThermoElectricEnable(legacy, bus); }),
              "No default TEC settings found.");
    bus.helper().reply(slotReply(17, Bytes{0x01, 0x05}));
    EXPECT_FALSE(cooler.feature->initialize(legacy, bus));
    EXPECT_FALSE(cooler.feature->initialize(legacy, bus));  // no reply at all
    EXPECT_FALSE(cooler.feature->initialize(fbp, bus));     // no slot implementation for it
    EXPECT_TRUE(cooler.fake->calls.empty());

    // A failing cooler makes initialize fail too.
    bus.helper().reply(slotReply(17, Bytes{0x01, 0x00, 0x00, 0x00}));
    bus.helper().reply(slotReply(17, Bytes{0x01, 0x00, 0x00, 0x00}));
    cooler.fake->fail = true;
    EXPECT_FALSE(cooler.feature->initialize(legacy, bus));
}

TEST(ThermoElectricFeatureBase, ForwardsWithItsMessages) {
    Cooler cooler;
    ScriptedBus bus;
    EXPECT_DOUBLE_EQ(cooler.feature->getTemperatureCelsius(legacy, bus), -4.5);
    EXPECT_EQ(cooler.feature->getFeatureFamily().getName(), "ThermoElectric");
    EXPECT_EQ(messageOf([&] { cooler.feature->setThermoElectricEnable(fbp, bus, true); }),
              "Could not find matching protocol implementation to set thermoelectric state.");
    EXPECT_EQ(messageOf([&] { cooler.feature->getTemperatureCelsius(fbp, bus); }),
              "Could not find matching protocol implementation to read TE temperature.");
    EXPECT_EQ(messageOf([&] { cooler.feature->setTemperatureSetPointCelsius(fbp, bus, 1); }),
              "Could not find matching protocol implementation to set TEC temperature.");
    cooler.fake->fail = true;
    EXPECT_EQ(messageOf([&] { cooler.feature->getTemperatureCelsius(legacy, bus); }),
              "Caught protocol exception: cooler refused");
}

// ----- light sources -----

class CountsSource : public LightSourceProtocolInterface,
                     public LightSourceProtocolInterface_Counts,
                     public ProtocolHelper {
  public:
    CountsSource()
        : ProtocolHelper(std::make_unique<framedBinaryProtocol::FramedBinaryProtocol>()) {}
    bool hasLightSourceEnable(const Bus&, int, int) override {
        check();
        return true;
    }
    bool isLightSourceEnabled(const Bus&, int module, int source) override {
        check();
        lastModule = module;
        lastSource = source;
        return enabled;
    }
    bool hasVariableIntensity(const Bus&, int, int) override {
        check();
        return true;
    }
    void setLightSourceEnable(const Bus&, int, int, bool enable) override {
        check();
        enabled = enable;
    }
    int getModuleCount() override { return 1; }
    int getLightSourceCount(int) override { return 1; }
    int getLightSourceIntensityCounts(const Bus&, int, int) override {
        check();
        return counts;
    }
    void setLightSourceIntensityCounts(const Bus&, int, int, int value) override {
        check();
        counts = value;
    }
    int getLightSourceIntensityMinimumCounts(const Bus&, int, int) override { return minimum; }
    int getLightSourceIntensityMaximumCounts(const Bus&, int, int) override { return maximum; }
    void check() {
        if (fail) throw ProtocolException("lamp refused");
    }
    bool fail = false;
    bool enabled = false;
    int counts = 1024;
    int minimum = 4095;  // reported the wrong way round on purpose
    int maximum = 0;
    int lastModule = -1, lastSource = -1;
};

class NormalizedSource : public LightSourceProtocolInterface,
                         public LightSourceProtocolInterface_NormalizedIntensity,
                         public ProtocolHelper {
  public:
    NormalizedSource()
        : ProtocolHelper(std::make_unique<framedBinaryProtocol::FramedBinaryProtocol>()) {}
    bool hasLightSourceEnable(const Bus&, int, int) override { return true; }
    bool isLightSourceEnabled(const Bus&, int, int) override { return true; }
    bool hasVariableIntensity(const Bus&, int, int) override { return true; }
    void setLightSourceEnable(const Bus&, int, int, bool) override {}
    int getModuleCount() override { return 1; }
    int getLightSourceCount(int) override { return 1; }
    double getLightSourceIntensity(const Bus&, int, int) override { return value; }
    void setLightSourceIntensity(const Bus&, int, int, double intensity) override {
        value = intensity;
    }
    double getLightSourceIntensityMinimum(const Bus&, int, int) override { return 0.5; }
    double getLightSourceIntensityMaximum(const Bus&, int, int) override { return maximum; }
    double value = 0.75;
    double maximum = 1.0;
};

class EnableOnlySource : public LightSourceProtocolInterface, public ProtocolHelper {
  public:
    EnableOnlySource()
        : ProtocolHelper(std::make_unique<framedBinaryProtocol::FramedBinaryProtocol>()) {}
    bool hasLightSourceEnable(const Bus&, int, int) override { return true; }
    bool isLightSourceEnabled(const Bus&, int, int) override { return true; }
    bool hasVariableIntensity(const Bus&, int, int) override { return false; }
    void setLightSourceEnable(const Bus&, int, int, bool) override {}
    int getModuleCount() override { return 1; }
    int getLightSourceCount(int) override { return 1; }
};

template <class Source>
std::pair<std::unique_ptr<LightSourceFeatureImpl>, Source*> lightSource(int count = 2) {
    auto source = std::make_unique<Source>();
    Source* view = source.get();
    return {std::make_unique<LightSourceFeatureImpl>(std::move(source), 3, count), view};
}

TEST(LightSourceFeature, CountsAreNormalisedAndClamped) {
    auto [feature, source] = lightSource<CountsSource>();
    ScriptedBus bus;
    EXPECT_DOUBLE_EQ(feature->getLightSourceIntensity(fbp, bus, 1), 1024.0 / 4095.0);
    feature->setLightSourceIntensity(fbp, bus, 0, 1.5);
    EXPECT_EQ(source->counts, 4095);
    feature->setLightSourceIntensity(fbp, bus, 0, -1.0);
    EXPECT_EQ(source->counts, 0);
    feature->setLightSourceIntensity(fbp, bus, 0, 0.5);
    EXPECT_EQ(source->counts, 2047);  // 2047.5 truncated
}

TEST(LightSourceFeature, NormalizedIntensityUsesItsRange) {
    auto [feature, source] = lightSource<NormalizedSource>();
    ScriptedBus bus;
    EXPECT_DOUBLE_EQ(feature->getLightSourceIntensity(fbp, bus, 0), 0.5);
    feature->setLightSourceIntensity(fbp, bus, 0, 0.5);
    EXPECT_DOUBLE_EQ(source->value, 0.75);
    source->maximum = 0.5;
    EXPECT_EQ(messageOf([&, &f = *feature] { f.getLightSourceIntensity(fbp, bus, 0); }),
              "Minimum and maximum intensity values are equal");
}

TEST(LightSourceFeature, WithoutAnIntensityInterface) {
    auto [feature, source] = lightSource<EnableOnlySource>();
    ScriptedBus bus;
    EXPECT_EQ(messageOf([&, &f = *feature] { f.getLightSourceIntensity(fbp, bus, 0); }),
              "Cannot find interface allowing intensity to be determined.");
    EXPECT_EQ(messageOf([&, &f = *feature] { f.setLightSourceIntensity(fbp, bus, 0, 0.1); }),
              "Cannot find interface allowing intensity to be controlled.");
}

TEST(LightSourceFeature, IndexChecksAndMessages) {
    auto [feature, source] = lightSource<CountsSource>();
    ScriptedBus bus;
    EXPECT_EQ(feature->getLightSourceCount(fbp, bus), 2);
    EXPECT_EQ(feature->getFeatureFamily().getType(), 13);
    for (int index : {-1, 2}) {
        EXPECT_EQ(messageOf([&, &f = *feature] { f.isLightSourceEnabled(fbp, bus, index); }),
                  "Invalid light source index");
        EXPECT_EQ(messageOf([&, &f = *feature] { f.getLightSourceIntensity(fbp, bus, index); }),
                  "Invalid light source index");
        EXPECT_EQ(messageOf([&, &f = *feature] { f.setLightSourceIntensity(fbp, bus, index, 0); }),
                  "Invalid lamp index");
    }
    EXPECT_EQ(messageOf([&, &f = *feature] { f.setLightSourceEnable(legacy, bus, 0, true); }),
              "Could not find matching protocol implementation to control light source.");
    EXPECT_EQ(messageOf([&, &f = *feature] { f.getLightSourceIntensity(legacy, bus, 0); }),
              "Could not find matching protocol implementation to control light source");
    EXPECT_EQ(messageOf([&, &f = *feature] { f.setLightSourceIntensity(legacy, bus, 0, 0); }),
              "Could not find matching protocol implementation to control lamp");
}

TEST(LightSourceFeature, EnableWrapsAsFeatureControlIntensityAsPlainFeatureException) {
    auto [feature, source] = lightSource<CountsSource>();
    ScriptedBus bus;
    feature->setLightSourceEnable(fbp, bus, 1, true);
    EXPECT_TRUE(feature->isLightSourceEnabled(fbp, bus, 1));
    EXPECT_EQ(source->lastModule, 3);
    EXPECT_EQ(source->lastSource, 1);
    EXPECT_TRUE(feature->hasLightSourceEnable(fbp, bus, 0));
    EXPECT_TRUE(feature->hasVariableIntensity(fbp, bus, 0));
    source->fail = true;
    auto& f = *feature;
    const std::vector<std::pair<std::string, std::function<void()>>> enableOperations{
        {"has enable", [&] { f.hasLightSourceEnable(fbp, bus, 0); }},
        {"is enabled", [&] { f.isLightSourceEnabled(fbp, bus, 0); }},
        {"set enable", [&] { f.setLightSourceEnable(fbp, bus, 0, true); }},
        {"variable", [&] { f.hasVariableIntensity(fbp, bus, 0); }},
    };
    for (const auto& [name, operation] : enableOperations) {
        EXPECT_THROW(operation(), FeatureControlException) << name;
        EXPECT_EQ(messageOf(operation), "Caught protocol exception: lamp refused") << name;
    }
    try {
        feature->getLightSourceIntensity(fbp, bus, 0);
        FAIL();
    } catch (const FeatureControlException&) {
        FAIL() << "a plain FeatureException is expected";
    } catch (const FeatureException& e) {
        EXPECT_STREQ(e.what(), "Caught protocol exception: lamp refused");
    }
}

// ----- the thin forwarders -----

class Everything : public StrobeLampProtocolInterface,
                   public ShutterProtocolInterface,
                   public IrradCalProtocolInterface,
                   public TemperatureProtocolInterface,
                   public RevisionProtocolInterface,
                   public OpticalBenchProtocolInterface,
                   public SpectrumProcessingProtocolInterface,
                   public DataBufferProtocolInterface,
                   public ProtocolHelper {
  public:
    Everything() : ProtocolHelper(std::make_unique<framedBinaryProtocol::FramedBinaryProtocol>()) {}
    void check(const std::string& call) {
        calls.push_back(call);
        if (fail) throw ProtocolException("refused " + call);
    }
    void setStrobeLampEnable(const Bus&, bool e) override { check("lamp " + std::to_string(e)); }
    bool setShutterOpen(const Bus&, bool o) override {
        check("shutter " + std::to_string(o));
        return true;
    }
    std::vector<float> readIrradCal(const Bus&) override {
        check("readIrrad");
        return {1.5f};
    }
    int writeIrradCal(const Bus&, const std::vector<float>& v) override {
        check("writeIrrad");
        return static_cast<int>(v.size());
    }
    bool hasCollectionArea(const Bus&) override {
        check("hasArea");
        return true;
    }
    double readCollectionArea(const Bus&) override {
        check("readArea");
        return 2.5;
    }
    void writeCollectionArea(const Bus&, double) override { check("writeArea"); }
    std::uint8_t countTemperatures(const Bus&) override {
        check("count");
        return 3;
    }
    double readTemperature(const Bus&, int i) override {
        check("temp " + std::to_string(i));
        return 21.5;
    }
    std::optional<std::vector<double>> readAllTemperatures(const Bus&) override {
        check("all");
        return std::nullopt;
    }
    std::uint8_t readHardwareRevision(const Bus&) override {
        check("hw");
        return 7;
    }
    std::uint16_t readFirmwareRevision(const Bus&) override {
        check("fw");
        return 0x0102;
    }
    std::string readOpticalBenchID(const Bus&) override {
        check("id");
        return "bench";
    }
    std::string readOpticalBenchSerialNumber(const Bus&) override {
        check("serial");
        return "S1";
    }
    std::uint16_t readOpticalBenchSlitWidthMicrons(const Bus&) override {
        check("slit");
        return 25;
    }
    std::uint16_t readOpticalBenchFiberDiameterMicrons(const Bus&) override {
        check("fiber");
        return 600;
    }
    std::string readOpticalBenchGrating(const Bus&) override {
        check("grating");
        return "G";
    }
    std::string readOpticalBenchFilter(const Bus&) override {
        check("filter");
        return "F";
    }
    std::string readOpticalBenchCoating(const Bus&) override {
        check("coating");
        return "C";
    }
    std::uint8_t readBoxcarWidth(const Bus&) override {
        check("readBoxcar");
        return 4;
    }
    std::uint16_t readScansToAverage(const Bus&) override {
        check("readScans");
        return 10;
    }
    void writeBoxcarWidth(const Bus&, std::uint8_t) override { check("writeBoxcar"); }
    void writeScansToAverage(const Bus&, std::uint16_t) override { check("writeScans"); }
    void clearBuffer(const Bus&, std::uint8_t) override { check("clear"); }
    std::uint32_t getNumberOfElements(const Bus&, std::uint8_t) override {
        check("elements");
        return 5;
    }
    std::uint32_t getBufferCapacity(const Bus&, std::uint8_t) override {
        check("capacity");
        return 100;
    }
    std::uint32_t getBufferCapacityMinimum(const Bus&, std::uint8_t) override {
        check("min");
        return 1;
    }
    std::uint32_t getBufferCapacityMaximum(const Bus&, std::uint8_t) override {
        check("max");
        return 1000;
    }
    void setBufferCapacity(const Bus&, std::uint8_t, std::uint32_t) override {
        check("setCapacity");
    }
    bool fail = false;
    std::vector<std::string> calls;
};

template <class FeatureType, class... Args>
std::pair<std::unique_ptr<FeatureType>, Everything*> forwarder(Args... args) {
    auto implementation = std::make_unique<Everything>();
    Everything* view = implementation.get();
    return {std::make_unique<FeatureType>(std::move(implementation), args...), view};
}

// The text of a plain operation when no implementation matches: findProtocolHelper's own.
const std::string GENERIC = "Could not find matching protocol implementation.";

// One operation of a forwarding feature: what it forwards, the text when no implementation
// matches, and whether protocol errors pass unchanged.
struct Forwarding {
    std::string name;
    std::function<void(const Protocol&)> call;
    std::string notFound;
    bool plain;
};

void checkForwarding(Everything& fake, const std::vector<Forwarding>& operations) {
    for (const auto& operation : operations) {
        fake.fail = false;
        EXPECT_NO_THROW(operation.call(fbp)) << operation.name;
        EXPECT_EQ(messageOf([&] { operation.call(legacy); }), operation.notFound) << operation.name;
        fake.fail = true;
        try {
            operation.call(fbp);
            ADD_FAILURE() << operation.name << " did not throw";
        } catch (const FeatureControlException& e) {
            EXPECT_FALSE(operation.plain) << operation.name;
            EXPECT_EQ(std::string(e.what()).rfind("Caught protocol exception: refused ", 0), 0u)
                << operation.name;
        } catch (const ProtocolException&) {
            EXPECT_TRUE(operation.plain) << operation.name;
        }
    }
}

TEST(ForwardingFeatures, StrobeLampAndShutter) {
    ScriptedBus bus;
    auto [lamp, lampFake] = forwarder<StrobeLampFeature>();
    auto [shutter, shutterFake] = forwarder<ShutterFeature>();
    lamp->setStrobeLampEnable(fbp, bus, true);
    shutter->setShutterOpen(fbp, bus, false);
    EXPECT_EQ(lampFake->calls, std::vector<std::string>{"lamp 1"});
    EXPECT_EQ(shutterFake->calls, std::vector<std::string>{"shutter 0"});
    EXPECT_EQ(lamp->getFeatureFamily().getName(), "StrobeLampEnable");
    EXPECT_EQ(shutter->getFeatureFamily().getName(), "Shutter");
    checkForwarding(
        *lampFake,
        {{"lamp", [&, &f = *lamp](const Protocol& p) { f.setStrobeLampEnable(p, bus, true); },
          "Could not find matching protocol implementation to control lamp.", false}});
    checkForwarding(
        *shutterFake,
        {{"shutter", [&, &f = *shutter](const Protocol& p) { f.setShutterOpen(p, bus, true); },
          "Could not find matching protocol implementation to set shutter state.", false}});
}

TEST(ForwardingFeatures, IrradianceCalibration) {
    ScriptedBus bus;
    auto [irrad, fake] = forwarder<IrradCalFeature>(2048);
    EXPECT_EQ(irrad->getNumberOfPixels(), 2048);
    EXPECT_EQ(irrad->readIrradianceCalibration(fbp, bus), std::vector<float>{1.5f});
    EXPECT_EQ(irrad->writeIrradianceCalibration(fbp, bus, {1, 2, 3}), 3);
    EXPECT_TRUE(irrad->hasCollectionArea(fbp, bus));
    EXPECT_DOUBLE_EQ(irrad->readCollectionArea(fbp, bus), 2.5);
    EXPECT_EQ(irrad->getFeatureFamily().getName(), "IrradianceCalibration");
    auto& f = *irrad;
    const std::string get = "Could not find matching protocol implementation to get calibration.";
    checkForwarding(
        *fake,
        {
            {"read", [&](const Protocol& p) { f.readIrradianceCalibration(p, bus); }, get, false},
            {"write", [&](const Protocol& p) { f.writeIrradianceCalibration(p, bus, {}); }, GENERIC,
             true},
            {"has", [&](const Protocol& p) { f.hasCollectionArea(p, bus); }, get, false},
            {"readArea", [&](const Protocol& p) { f.readCollectionArea(p, bus); },
             "Could not find matching protocol implementation to read collection area.", false},
            {"writeArea", [&](const Protocol& p) { f.writeCollectionArea(p, bus, 1.0); },
             "Could not find matching protocol implementation to write collection area.", false},
        });
}

TEST(ForwardingFeatures, TemperaturesAndRevisions) {
    ScriptedBus bus;
    auto [temperature, tFake] = forwarder<TemperatureFeature>();
    auto [revision, rFake] = forwarder<RevisionFeature>();
    EXPECT_EQ(temperature->getTemperatureCount(fbp, bus), 3);
    EXPECT_DOUBLE_EQ(temperature->readTemperature(fbp, bus, 2), 21.5);
    EXPECT_FALSE(temperature->readAllTemperatures(fbp, bus).has_value());
    EXPECT_EQ(revision->readHardwareRevision(fbp, bus), 7);
    EXPECT_EQ(revision->readFirmwareRevision(fbp, bus), 0x0102);
    const std::string text = "Could not find matching protocol implementation to get temperature.";
    auto& t = *temperature;
    auto& r = *revision;
    checkForwarding(
        *tFake,
        {
            {"count", [&](const Protocol& p) { t.getTemperatureCount(p, bus); }, text, false},
            {"read", [&](const Protocol& p) { t.readTemperature(p, bus, 0); }, GENERIC, true},
            {"all", [&](const Protocol& p) { t.readAllTemperatures(p, bus); }, GENERIC, true},
        });
    checkForwarding(
        *rFake,
        {
            {"hw", [&](const Protocol& p) { r.readHardwareRevision(p, bus); }, text, false},
            {"fw", [&](const Protocol& p) { r.readFirmwareRevision(p, bus); }, GENERIC, true},
        });
}

TEST(ForwardingFeatures, OpticalBench) {
    ScriptedBus bus;
    auto [bench, fake] = forwarder<OpticalBenchFeature>();
    EXPECT_EQ(bench->readFiberDiameterMicrons(fbp, bus), 600);
    EXPECT_EQ(bench->readSlitWidthMicrons(fbp, bus), 25);
    EXPECT_EQ(bench->readOpticalBenchID(fbp, bus), "bench");
    EXPECT_EQ(bench->readOpticalBenchSerialNumber(fbp, bus), "S1");
    EXPECT_EQ(bench->readCoating(fbp, bus), "C");
    EXPECT_EQ(bench->readFilter(fbp, bus), "F");
    EXPECT_EQ(bench->readGrating(fbp, bus), "G");
    const std::string text =
        "Could not find matching protocol implementation to get serial number.";
    auto& b = *bench;
    checkForwarding(
        *fake,
        {
            {"fiber", [&](const Protocol& p) { b.readFiberDiameterMicrons(p, bus); }, GENERIC,
             true},
            {"slit", [&](const Protocol& p) { b.readSlitWidthMicrons(p, bus); }, GENERIC, true},
            {"id", [&](const Protocol& p) { b.readOpticalBenchID(p, bus); }, text, false},
            {"serial", [&](const Protocol& p) { b.readOpticalBenchSerialNumber(p, bus); }, GENERIC,
             true},
            {"coating", [&](const Protocol& p) { b.readCoating(p, bus); }, GENERIC, true},
            {"filter", [&](const Protocol& p) { b.readFilter(p, bus); }, GENERIC, true},
            {"grating", [&](const Protocol& p) { b.readGrating(p, bus); }, GENERIC, true},
        });
}

TEST(ForwardingFeatures, SpectrumProcessing) {
    ScriptedBus bus;
    auto [processing, fake] = forwarder<SpectrumProcessingFeature>();
    EXPECT_EQ(processing->readBoxcarWidth(fbp, bus), 4);
    EXPECT_EQ(processing->readScansToAverage(fbp, bus), 10);
    auto& s = *processing;
    const std::string get =
        "Could not find matching protocol implementation to get SpectrumProcessing.";
    const std::string set =
        "Could not find matching protocol implementation to set spectrum processing state.";
    checkForwarding(
        *fake,
        {
            {"readBoxcar", [&](const Protocol& p) { s.readBoxcarWidth(p, bus); }, GENERIC, true},
            {"readScans", [&](const Protocol& p) { s.readScansToAverage(p, bus); }, get, false},
            {"writeBoxcar", [&](const Protocol& p) { s.writeBoxcarWidth(p, bus, 1); }, GENERIC,
             true},
            {"writeScans", [&](const Protocol& p) { s.writeScansToAverage(p, bus, 1); }, set,
             false},
        });
}

TEST(ForwardingFeatures, DataBuffer) {
    ScriptedBus bus;
    auto [buffer, fake] = forwarder<DataBufferFeatureBase>(1u);
    EXPECT_EQ(buffer->getNumberOfBuffers(), 1u);
    EXPECT_EQ(buffer->getBufferCapacity(fbp, bus, 0), 100u);
    EXPECT_EQ(buffer->getBufferCapacityMaximum(fbp, bus, 0), 1000u);
    EXPECT_EQ(buffer->getBufferCapacityMinimum(fbp, bus, 0), 1u);
    EXPECT_EQ(buffer->getNumberOfElements(fbp, bus, 0), 5u);
    EXPECT_EQ(buffer->getFeatureFamily().getName(), "DataBuffer");
    auto& d = *buffer;
    const std::string prefix = "Could not find matching protocol implementation to ";
    checkForwarding(*fake,
                    {
                        {"clear", [&](const Protocol& p) { d.clearBuffer(p, bus, 0); },
                         prefix + "clear data buffer.", false},
                        {"capacity", [&](const Protocol& p) { d.getBufferCapacity(p, bus, 0); },
                         prefix + "get data buffer capacity.", false},
                        {"max", [&](const Protocol& p) { d.getBufferCapacityMaximum(p, bus, 0); },
                         prefix + "get data buffer maximum capacity.", false},
                        {"min", [&](const Protocol& p) { d.getBufferCapacityMinimum(p, bus, 0); },
                         prefix + "get data buffer minimum capacity.", false},
                        {"elements", [&](const Protocol& p) { d.getNumberOfElements(p, bus, 0); },
                         prefix + "get data buffer element count.", false},
                        {"set", [&](const Protocol& p) { d.setBufferCapacity(p, bus, 0, 9); },
                         prefix + "set data buffer capacity.", false},
                    });
}

}  // namespace
}  // namespace spectro::test
