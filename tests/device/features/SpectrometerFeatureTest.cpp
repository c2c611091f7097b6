#include <gtest/gtest.h>

#include <functional>

#include "device/features/SpectrometerModelFeatures.h"
#include "device/support/Scripted.h"

namespace spectro {
namespace {

using test::Bytes;
using test::ScriptedBus;
using test::slotReply;

const legacyProtocol::LegacyProtocol legacy;
const framedBinaryProtocol::FramedBinaryProtocol fbp;

std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

// Records the calls a spectrometer feature forwards.
class FakeSpectrometerProtocol : public SpectrometerProtocolInterface, public ProtocolHelper {
  public:
    explicit FakeSpectrometerProtocol(std::vector<std::string>& calls, int id = 1000)
        : ProtocolHelper(std::make_unique<test::TestProtocol>(id)), calls(calls) {}
    std::vector<std::uint8_t> readUnformattedSpectrum(const Bus&) override {
        calls.push_back("readUnformatted");
        fail("read");
        return {1, 2, 3};
    }
    std::optional<std::vector<double>> readFormattedSpectrum(const Bus&) override {
        calls.push_back("readFormatted");
        fail("read");
        return std::vector<double>{10.0, 20.0};
    }
    void requestSpectrum(const Bus&) override {
        calls.push_back("request");
        fail("request");
    }
    void setIntegrationTimeMicros(const Bus&, std::uint32_t micros) override {
        calls.push_back("integration " + std::to_string(micros));
        fail("integration");
    }
    void setTriggerMode(const Bus&, const SpectrometerTriggerMode& mode) override {
        calls.push_back("trigger " + std::to_string(mode.getTriggerMode()));
        fail("trigger");
    }
    void fail(const std::string& step) {
        if (step == failing) throw ProtocolException("refused " + step);
    }
    std::vector<std::string>& calls;
    std::string failing;
};

struct Fixture {
    std::vector<std::string> calls;
    FakeSpectrometerProtocol* fake = nullptr;
    std::unique_ptr<ProtocolHelper> make(int id = 1000) {
        auto implementation = std::make_unique<FakeSpectrometerProtocol>(calls, id);
        fake = implementation.get();
        return implementation;
    }
};

// A saturation feature with a level chosen by the test.
class FixedSaturation : public FeatureImpl, public ProgrammableSaturationFeatureBase {
  public:
    explicit FixedSaturation(std::optional<unsigned int> level) : level(level) {}
    unsigned int readSaturation(const Protocol&, const Bus&) override {
        ++reads;
        if (!level) throw FeatureException("no level");
        return *level;
    }
    bool initialize(const Protocol& p, const Bus& b) override {
        return ProgrammableSaturationFeatureBase::initialize(p, b);
    }
    FeatureFamily getFeatureFamily() override { return api::FeatureFamilies().UNDEFINED; }
    std::optional<unsigned int> level;
    int reads = 0;
};

TEST(SpectrometerTriggerMode, ComparesByValue) {
    EXPECT_EQ(SpectrometerTriggerMode(1), SpectrometerTriggerMode(1));
    EXPECT_FALSE(SpectrometerTriggerMode(1) == SpectrometerTriggerMode(2));
    EXPECT_EQ(SpectrometerTriggerMode(-3).getTriggerMode(), -3);
}

struct ModelRow {
    std::string name;
    std::function<std::unique_ptr<SpectrometerFeature>(std::unique_ptr<ProtocolHelper>)> make;
    int pixels, maxIntensity, minimum, maximum, increment;
    std::size_t darkPixels;
    std::vector<int> modes;
};

std::unique_ptr<ProgrammableSaturationFeatureBase> someSaturation() {
    return std::make_unique<FixedSaturation>(std::nullopt);
}
std::unique_ptr<ProtocolHelper> noWaveCal() { return nullptr; }

TEST(SpectrometerModelFeatures, ConstantsOfEveryModel) {
    using P = std::unique_ptr<ProtocolHelper>;
    const std::vector<ModelRow> rows{
        {"HR2000+",
         [](P p) { return std::make_unique<HR2000PlusSpectrometerFeature>(std::move(p)); },
         2048,
         16383,
         1000,
         655350000,
         1000,
         22,
         {0, 1, 2, 3}},
        {"Maya2000Pro",
         [](P p) {
             return std::make_unique<Maya2000ProSpectrometerFeature>(std::move(p),
                                                                     someSaturation());
         },
         2068,
         64000,
         7200,
         65000000,
         1000,
         8,
         {0, 1, 2, 3}},
        {"MayaLSL",
         [](P p) {
             return std::make_unique<MayaLSLSpectrometerFeature>(std::move(p), someSaturation());
         },
         2068,
         64000,
         7200,
         65000000,
         1000,
         8,
         {0, 1, 2, 3}},
        {"Apex",
         [](P p) {
             return std::make_unique<ApexSpectrometerFeature>(std::move(p), someSaturation());
         },
         2068,
         64000,
         15000,
         1600000000,
         1000,
         8,
         {0}},
        {"Maya2000",
         [](P p) { return std::make_unique<Maya2000SpectrometerFeature>(std::move(p)); },
         2080,
         65535,
         15000,
         1600000000,
         1000,
         16,
         {0, 1, 3}},
        {"HR2000",
         [](P p) { return std::make_unique<HR2000SpectrometerFeature>(std::move(p)); },
         2048,
         4095,
         3000,
         655350000,
         1000,
         22,
         {0, 1, 3}},
        {"USB2000",
         [](P p) { return std::make_unique<USB2000SpectrometerFeature>(std::move(p)); },
         2048,
         4095,
         3000,
         655350000,
         1000,
         22,
         {0, 1, 3}},
        {"USB2000+",
         [](P p) {
             return std::make_unique<USB2000PlusSpectrometerFeature>(std::move(p),
                                                                     someSaturation());
         },
         2048,
         65535,
         1000,
         655350000,
         1000,
         15,
         {0, 1, 2, 3}},
        {"USB4000",
         [](P p) {
             return std::make_unique<USB4000SpectrometerFeature>(std::move(p), someSaturation());
         },
         3648,
         65535,
         10,
         655350000,
         10,
         11,
         {0, 1, 2, 3}},
        {"HR4000",
         [](P p) { return std::make_unique<HR4000SpectrometerFeature>(std::move(p)); },
         3648,
         16383,
         10,
         655350000,
         10,
         11,
         {0, 1, 2, 3}},
        {"Jaz",
         [](P p) {
             return std::make_unique<JazSpectrometerFeature>(std::move(p), someSaturation());
         },
         2048,
         65535,
         1000,
         655350000,
         1000,
         22,
         {0, 1, 2, 3}},
        {"QE65000",
         [](P p) { return std::make_unique<QE65000SpectrometerFeature>(std::move(p)); },
         1044,
         65535,
         8000,
         1600000000,
         1000,
         8,
         {0, 1, 3}},
        {"NIRQuest256",
         [](P p) {
             return std::make_unique<NIRQuestSpectrometerFeature>(256, std::move(p),
                                                                  someSaturation());
         },
         256,
         65535,
         1000,
         1600000000,
         1000,
         0,
         {0, 1, 2, 3}},
        {"NIRQuest512",
         [](P p) {
             return std::make_unique<NIRQuestSpectrometerFeature>(512, std::move(p),
                                                                  someSaturation());
         },
         512,
         65535,
         1000,
         1600000000,
         1000,
         0,
         {0, 1, 2, 3}},
        {"Flame-NIR",
         [](P p) {
             return std::make_unique<FlameNIRSpectrometerFeature>(std::move(p), someSaturation());
         },
         128,
         65535,
         1000,
         655350000,
         1000,
         0,
         {0, 1, 2, 3}},
        {"STS",
         [](P p) { return std::make_unique<STSSpectrometerFeature>(std::move(p), noWaveCal); },
         1024,
         16383,
         10,
         85000000,
         1,
         0,
         {0, 1, 2}},
        {"Spark",
         [](P p) { return std::make_unique<SparkSpectrometerFeature>(std::move(p), noWaveCal); },
         1024,
         16383,
         10,
         85000000,
         1,
         0,
         {0, 1, 2}},
        {"QE-PRO",
         [](P p) { return std::make_unique<QEProSpectrometerFeature>(std::move(p), noWaveCal); },
         1044,
         200000,
         10000,
         1600000000,
         1,
         8,
         {0, 1, 2, 3}},
        {"Ventana",
         [](P p) { return std::make_unique<VentanaSpectrometerFeature>(std::move(p), noWaveCal); },
         1024,
         65535,
         22000,
         60000000,
         1000,
         0,
         {0}},
        {"Blaze",
         [](P p) {
             return std::make_unique<BlazeSpectrometerFeature>(std::move(p), someSaturation(),
                                                               noWaveCal);
         },
         2088,
         65535,
         1000,
         60000000,
         1000,
         16,
         {0}},
    };
    for (const auto& row : rows) {
        Fixture fixture;
        auto feature = row.make(fixture.make());
        EXPECT_EQ(feature->getNumberOfPixels(), row.pixels) << row.name;
        EXPECT_EQ(feature->getMaximumIntensity(), row.maxIntensity) << row.name;
        EXPECT_EQ(feature->getIntegrationTimeMinimum(), row.minimum) << row.name;
        EXPECT_EQ(feature->getIntegrationTimeMaximum(), row.maximum) << row.name;
        EXPECT_EQ(feature->getIntegrationTimeIncrement(), row.increment) << row.name;
        EXPECT_EQ(feature->getElectricDarkPixelIndices().size(), row.darkPixels) << row.name;
        std::vector<int> modes;
        for (const auto& mode : feature->getTriggerModes()) modes.push_back(mode.getTriggerMode());
        EXPECT_EQ(modes, row.modes) << row.name;
        EXPECT_EQ(feature->getFeatureFamily().getType(), 2) << row.name;
    }
}

TEST(SpectrometerModelFeatures, MayaProDarkPixels) {
    Fixture fixture;
    Maya2000ProSpectrometerFeature feature(fixture.make(), someSaturation());
    EXPECT_EQ(feature.getElectricDarkPixelIndices(),
              (std::vector<std::uint32_t>{0, 1, 2, 3, 2064, 2065, 2066, 2067}));
    HR2000PlusSpectrometerFeature hr(fixture.make());
    EXPECT_EQ(hr.getElectricDarkPixelIndices().front(), 2u);
    EXPECT_EQ(hr.getElectricDarkPixelIndices().back(), 23u);
}

TEST(SpectrometerFeature, TriggerModeOutsideTheListIsRefusedWithoutTraffic) {
    Fixture fixture;
    HR2000SpectrometerFeature feature(fixture.make());
    ScriptedBus bus;
    EXPECT_EQ(messageOf([&] { feature.setTriggerMode(legacy, bus, SpectrometerTriggerMode(2)); }),
              "Specified trigger mode is not supported.");
    EXPECT_TRUE(fixture.calls.empty());
    feature.setTriggerMode(legacy, bus, SpectrometerTriggerMode(3));
    EXPECT_EQ(fixture.calls, std::vector<std::string>{"trigger 3"});
    fixture.fake->failing = "trigger";
    EXPECT_EQ(messageOf([&] { feature.setTriggerMode(legacy, bus, SpectrometerTriggerMode(1)); }),
              "Caught protocol exception: refused trigger");
    EXPECT_EQ(messageOf([&] { feature.setTriggerMode(fbp, bus, SpectrometerTriggerMode(1)); }),
              "Could not find matching protocol implementation to set trigger mode.");
}

TEST(SpectrometerFeature, IntegrationTimeRangeInMicroseconds) {
    Fixture fixture;
    HR2000PlusSpectrometerFeature feature(fixture.make());
    ScriptedBus bus;
    EXPECT_EQ(messageOf([&] { feature.setIntegrationTimeMicros(legacy, bus, 999); }),
              "Specified integration time is out of range.");
    EXPECT_THROW(feature.setIntegrationTimeMicros(legacy, bus, 655350001),
                 IllegalArgumentException);
    feature.setIntegrationTimeMicros(legacy, bus, 1000);
    feature.setIntegrationTimeMicros(legacy, bus, 655350000);
    EXPECT_EQ(fixture.calls,
              (std::vector<std::string>{"integration 1000", "integration 655350000"}));
}

TEST(SpectrometerFeature, IntegrationTimeRangeInMilliseconds) {
    Fixture fixture;
    HR2000SpectrometerFeature feature(fixture.make());
    ScriptedBus bus;
    EXPECT_THROW(feature.setIntegrationTimeMicros(legacy, bus, 2999), IllegalArgumentException);
    feature.setIntegrationTimeMicros(legacy, bus, 3500);
    feature.setIntegrationTimeMicros(legacy, bus, 655350999);
    EXPECT_THROW(feature.setIntegrationTimeMicros(legacy, bus, 655351000),
                 IllegalArgumentException);
    EXPECT_EQ(fixture.calls,
              (std::vector<std::string>{"integration 3500", "integration 655350999"}));
}

TEST(SpectrometerFeature, IntegrationTimeFailures) {
    Fixture fixture;
    HR2000PlusSpectrometerFeature feature(fixture.make());
    ScriptedBus bus;
    EXPECT_EQ(messageOf([&] { feature.setIntegrationTimeMicros(fbp, bus, 5000); }),
              "Could not find matching protocol implementation to get raw spectrum.");
    fixture.fake->failing = "integration";
    EXPECT_EQ(messageOf([&] { feature.setIntegrationTimeMicros(legacy, bus, 5000); }),
              "Caught protocol exception: refused integration");
}

TEST(SpectrometerFeature, GetSpectrumRequestsThenReads) {
    Fixture fixture;
    HR2000PlusSpectrometerFeature feature(fixture.make());
    ScriptedBus bus;
    auto spectrum = feature.getSpectrum(legacy, bus);
    ASSERT_TRUE(spectrum.has_value());
    EXPECT_EQ(*spectrum, (std::vector<double>{10.0, 20.0}));
    EXPECT_EQ(fixture.calls, (std::vector<std::string>{"request", "readFormatted"}));

    fixture.fake->failing = "read";
    EXPECT_EQ(messageOf([&] { feature.getSpectrum(legacy, bus); }),
              "Caught protocol exception: refused read");
    fixture.fake->failing = "request";
    EXPECT_THROW(feature.getSpectrum(legacy, bus), ProtocolException);  // unconverted
    EXPECT_EQ(messageOf([&] { feature.getSpectrum(fbp, bus); }),
              "Could not find matching protocol implementation to get raw spectrum.");
}

TEST(SpectrometerFeature, RawSpectrumIsNotConverted) {
    Fixture fixture;
    HR2000PlusSpectrometerFeature feature(fixture.make());
    ScriptedBus bus;
    EXPECT_EQ(feature.getRawSpectrum(legacy, bus), (Bytes{1, 2, 3}));
    EXPECT_EQ(fixture.calls, (std::vector<std::string>{"request", "readUnformatted"}));
    fixture.fake->failing = "read";
    EXPECT_THROW(feature.readRawSpectrum(legacy, bus), ProtocolException);
    EXPECT_EQ(messageOf([&] { feature.requestSpectrum(fbp, bus); }),
              "Could not find matching protocol implementation.");
}

TEST(GainAdjustedSpectrometerFeature, SaturationLevelFallsBackToTheCeiling) {
    ScriptedBus bus;
    auto levelFor = [&](std::optional<unsigned int> level, bool initialize) {
        Fixture fixture;
        auto saturation = std::make_unique<FixedSaturation>(level);
        USB2000PlusSpectrometerFeature feature(fixture.make(), std::move(saturation));
        if (initialize) {
            EXPECT_TRUE(feature.initialize(legacy, bus));
        }
        return feature.getSaturationLevel();
    };
    EXPECT_EQ(levelFor(70000, true), 65535);
    EXPECT_EQ(levelFor(0, true), 65535);
    EXPECT_EQ(levelFor(50000, true), 50000);
    EXPECT_EQ(levelFor(50000, false), 65535);  // never initialised
    EXPECT_EQ(levelFor(std::nullopt, true), 65535);
}

TEST(GainAdjustedSpectrometerFeature, InitializeReadsTheSaturationSlot) {
    ScriptedBus bus;
    bus.helper().reply(slotReply(17, Bytes{0, 0, 0, 0, 0x50, 0xC3}));  // 50000
    Fixture fixture;
    JazSpectrometerFeature feature(fixture.make(), std::make_unique<SaturationEEPROMSlotFeature>());
    EXPECT_TRUE(feature.initialize(legacy, bus));
    EXPECT_EQ(feature.getSaturationLevel(), 50000);
    EXPECT_EQ(bus.helper().sent(), std::vector<Bytes>{(Bytes{0x05, 17})});
    EXPECT_THROW(JazSpectrometerFeature(fixture.make(), nullptr), IllegalArgumentException);
}

void queueWavelengthSlots(ScriptedBus& bus) {
    bus.helper().reply(slotReply(1, "500.0"));
    bus.helper().reply(slotReply(2, "0.5"));
    bus.helper().reply(slotReply(3, "0"));
    bus.helper().reply(slotReply(4, "0"));
}

TEST(SpectrometerFeature, WavelengthsComeFromTheInformationSlots) {
    Fixture fixture;
    HR2000PlusSpectrometerFeature feature(fixture.make());
    ScriptedBus bus;
    queueWavelengthSlots(bus);
    const auto wavelengths = feature.getWavelengths(legacy, bus);
    ASSERT_EQ(wavelengths.size(), 2048u);
    EXPECT_DOUBLE_EQ(wavelengths[2], 501.0);

    QE65000SpectrometerFeature qe(fixture.make());
    queueWavelengthSlots(bus);
    EXPECT_DOUBLE_EQ(qe.getWavelengths(legacy, bus).at(0), 495.0);
}

TEST(SpectrometerFeature, ZeroPixelsGiveNoWavelengths) {
    Fixture fixture;
    NIRQuestSpectrometerFeature feature(0, fixture.make(), someSaturation());
    ScriptedBus bus;
    queueWavelengthSlots(bus);
    EXPECT_TRUE(feature.getWavelengths(legacy, bus).empty());
    NIRQuestSpectrometerFeature negative(-5, fixture.make(), someSaturation());
    queueWavelengthSlots(bus);
    EXPECT_TRUE(negative.getWavelengths(legacy, bus).empty());
}

class FakeWaveCal : public WaveCalProtocolInterface, public ProtocolHelper {
  public:
    FakeWaveCal()
        : ProtocolHelper(std::make_unique<framedBinaryProtocol::FramedBinaryProtocol>()) {}
    std::vector<double> readWavelengthCoeffs(const Bus&) override { return {100.0, 1.0, 0.0, 0.0}; }
};

TEST(SpectrometerFeature, FramedBinaryModelsAskTheWavelengthProtocol) {
    Fixture fixture;
    SparkSpectrometerFeature spark(fixture.make(2000),
                                   [] { return std::make_unique<FakeWaveCal>(); });
    ScriptedBus bus;
    const auto wavelengths = spark.getWavelengths(fbp, bus);
    ASSERT_EQ(wavelengths.size(), 1024u);
    EXPECT_DOUBLE_EQ(wavelengths[1023], 1123.0);
    EXPECT_TRUE(bus.helper().operations().empty());
}

TEST(STSSpectrometerFeature, BinningAveragesTheWavelengths) {
    Fixture fixture;
    STSSpectrometerFeature sts(fixture.make(2000), [] { return std::make_unique<FakeWaveCal>(); });
    ScriptedBus bus;
    EXPECT_EQ(sts.getWavelengths(fbp, bus).size(), 1024u);
    sts.setBinningFactor(2);
    EXPECT_EQ(sts.getNumberOfPixels(), 256);
    const auto binned = sts.getWavelengths(fbp, bus);
    ASSERT_EQ(binned.size(), 256u);
    EXPECT_DOUBLE_EQ(binned[0], 101.5);  // mean of 100, 101, 102, 103
    EXPECT_DOUBLE_EQ(binned[255], 1121.5);
    sts.setBinningFactor(10);
    EXPECT_EQ(sts.getWavelengths(fbp, bus), std::vector<double>{100.0 + 1023.0 / 2});
    EXPECT_THROW(sts.setBinningFactor(11), IllegalArgumentException);
    EXPECT_EQ(sts.getNumberOfPixels(), 1);
}

}  // namespace
}  // namespace spectro
