#include <gtest/gtest.h>

#include "device/features/SpectrometerModelFeatures.h"
#include "device/models/LegacyModels.h"
#include "device/support/MessageOf.h"
#include "device/support/Protocols.h"
#include "device/support/Scripted.h"

namespace spectro::test {
namespace {

// Records the calls a spectrometer feature forwards.
class FakeSpectrometerProtocol : public SpectrometerProtocolInterface, public ProtocolHelper {
  public:
    explicit FakeSpectrometerProtocol(std::vector<std::string>& calls, int id = 1000)
        : ProtocolHelper(std::make_unique<TestProtocol>(id)), calls(calls) {}
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

using MakeModel = std::unique_ptr<SpectrometerFeature> (*)(std::unique_ptr<ProtocolHelper>);

struct ModelRow {
    std::string name;
    MakeModel make;
    int pixels, maxIntensity, minimum, maximum, base, increment;
    std::size_t darkPixels;
    std::vector<std::uint32_t> darkEnds;  // first and last dark pixel, none when there are none
    std::vector<int> modes;
};

std::unique_ptr<ProgrammableSaturationFeatureBase> someSaturation() {
    return std::make_unique<FixedSaturation>(std::nullopt);
}
std::unique_ptr<ProtocolHelper> noWaveCal() { return nullptr; }

// The Framed Binary Protocol constructors take the implementation and a wavelength source, the
// Blaze a saturation source as well; the constants under test do not depend on either.
template <class Model>
std::unique_ptr<SpectrometerFeature> withWaveCal(std::unique_ptr<ProtocolHelper> p) {
    return std::make_unique<Model>(std::move(p), noWaveCal);
}
// The factory a feature builds its implementation with, handing out a prepared one.
SpectrometerProtocolFactory given(std::unique_ptr<ProtocolHelper> p) {
    auto held = std::make_shared<std::unique_ptr<ProtocolHelper>>(std::move(p));
    return [held](GainAdjustmentSource&) { return std::move(*held); };
}
// A legacy model's feature as its row of the model table builds it.
template <const LegacyModelRow& (*row)()>
std::unique_ptr<SpectrometerFeature> fromRow(std::unique_ptr<ProtocolHelper> p) {
    return row().spectrometerFeature(row().spectrometer, given(std::move(p)), someSaturation());
}
SpectrometerConstants withPixels(SpectrometerConstants constants, int pixels) {
    constants.numberOfPixels = pixels;
    return constants;
}
std::unique_ptr<SpectrometerFeature> blaze(std::unique_ptr<ProtocolHelper> p) {
    return std::make_unique<BlazeSpectrometerFeature>(std::move(p), someSaturation(), noWaveCal);
}

TEST(SpectrometerModelFeatures, ConstantsOfEveryModel) {
    // name, constructor,
    //      pixels, maximum intensity, integration time minimum, maximum and increment
    //      (microseconds), dark pixel count, trigger modes
    // name, constructor,
    //      pixels, maximum intensity, integration time minimum and maximum (microseconds),
    //      divisor of the integration time check, increment (microseconds),
    //      dark pixel count, first and last dark pixel, trigger modes
    const std::vector<ModelRow> rows{
        // clang-format off
        {"HR2000+", fromRow<models::hr2000Plus>,
             2048, 16383,  1000,  655350000,  1,    1000, 22, {2, 23},     {0, 1, 2, 3}},
        {"Maya2000Pro", fromRow<models::maya2000Pro>,
             2068, 64000,  7200,  65000000,   1,    1000, 8,  {0, 2067},   {0, 1, 2, 3}},
        {"MayaLSL", fromRow<models::mayaLSL>,
             2068, 64000,  7200,  65000000,   1,    1000, 8,  {0, 2067},   {0, 1, 2, 3}},
        {"Apex", fromRow<models::apex>,
             2068, 64000,  15000, 1600000000, 1,    1000, 8,  {0, 2067},   {0}},
        {"Maya2000", fromRow<models::maya2000>,
             2080, 65535,  15000, 1600000000, 1,    1000, 16, {0, 2079},   {0, 1, 3}},
        {"HR2000", fromRow<models::hr2000>,
             2048, 4095,   3000,  655350000,  1000, 1000, 22, {2, 23},     {0, 1, 3}},
        {"USB2000", fromRow<models::usb2000>,
             2048, 4095,   3000,  655350000,  1000, 1000, 22, {2, 23},     {0, 1, 3}},
        {"USB2000+", fromRow<models::usb2000Plus>,
             2048, 65535,  1000,  655350000,  1,    1000, 15, {6, 20},     {0, 1, 2, 3}},
        {"USB4000", fromRow<models::usb4000>,
             3648, 65535,  10,    655350000,  1,    10,   11, {5, 15},     {0, 1, 2, 3}},
        {"HR4000", fromRow<models::hr4000>,
             3648, 16383,  10,    655350000,  1,    10,   11, {2, 12},     {0, 1, 2, 3}},
        {"Jaz", fromRow<models::jaz>,
             2048, 65535,  1000,  655350000,  1,    1000, 22, {2, 23},     {0, 1, 2, 3}},
        {"QE65000", fromRow<models::qe65000>,
             1044, 65535,  8000,  1600000000, 1000, 1000, 8,  {0, 1043},   {0, 1, 3}},
        {"NIRQuest256", fromRow<models::nirQuest256>,
             256,  65535,  1000,  1600000000, 1000, 1000, 0,  {},          {0, 1, 2, 3}},
        {"NIRQuest512", fromRow<models::nirQuest512>,
             512,  65535,  1000,  1600000000, 1000, 1000, 0,  {},          {0, 1, 2, 3}},
        {"Flame-NIR", fromRow<models::flameNIR>,
             128,  65535,  1000,  655350000,  1,    1000, 0,  {},          {0, 1, 2, 3}},
        {"STS", withWaveCal<STSSpectrometerFeature>,
             1024, 16383,  10,    85000000,   1,    1,    0,  {},          {0, 1, 2}},
        {"Spark", withWaveCal<SparkSpectrometerFeature>,
             1024, 16383,  10,    85000000,   1,    1,    0,  {},          {0, 1, 2}},
        {"QE-PRO", withWaveCal<QEProSpectrometerFeature>,
             1044, 200000, 10000, 1600000000, 1,    1,    8,  {0, 1043},   {0, 1, 2, 3}},
        {"Ventana", withWaveCal<VentanaSpectrometerFeature>,
             1024, 65535,  22000, 60000000,   1,    1000, 0,  {},          {0}},
        {"Blaze", blaze,
             2088, 65535,  1000,  60000000,   1,    1000, 16, {14, 29},    {0}},
        // clang-format on
    };
    for (const auto& row : rows) {
        Fixture fixture;
        auto feature = row.make(fixture.make());
        EXPECT_EQ(feature->getNumberOfPixels(), row.pixels) << row.name;
        EXPECT_EQ(feature->getMaximumIntensity(), row.maxIntensity) << row.name;
        EXPECT_EQ(feature->getIntegrationTimeMinimum(), row.minimum) << row.name;
        EXPECT_EQ(feature->getIntegrationTimeMaximum(), row.maximum) << row.name;
        EXPECT_EQ(feature->getIntegrationTimeIncrement(), row.increment) << row.name;
        const auto dark = feature->getElectricDarkPixelIndices();
        EXPECT_EQ(dark.size(), row.darkPixels) << row.name;
        if (!dark.empty()) {
            EXPECT_EQ((std::vector<std::uint32_t>{dark.front(), dark.back()}), row.darkEnds)
                << row.name;
        }
        std::vector<int> modes;
        for (const auto& mode : feature->getTriggerModes()) modes.push_back(mode.getTriggerMode());
        EXPECT_EQ(modes, row.modes) << row.name;
        EXPECT_EQ(feature->getFeatureFamily().getType(), 2) << row.name;

        // The divisor shows in the range check: the first value refused above the maximum is
        // the maximum plus the divisor (with 1000 the check is made in whole milliseconds).
        ScriptedBus bus;
        const auto minimum = static_cast<std::uint32_t>(row.minimum);
        const auto maximum = static_cast<std::uint32_t>(row.maximum);
        EXPECT_THROW(feature->setIntegrationTimeMicros(legacy, bus, minimum - 1),
                     IllegalArgumentException)
            << row.name;
        EXPECT_NO_THROW(feature->setIntegrationTimeMicros(legacy, bus, minimum)) << row.name;
        const std::uint32_t firstRefused = maximum + static_cast<std::uint32_t>(row.base);
        EXPECT_NO_THROW(feature->setIntegrationTimeMicros(legacy, bus, firstRefused - 1))
            << row.name;
        EXPECT_THROW(feature->setIntegrationTimeMicros(legacy, bus, firstRefused),
                     IllegalArgumentException)
            << row.name;
    }
}

TEST(SpectrometerModelFeatures, MayaProDarkPixels) {
    Fixture fixture;
    Maya2000ProSpectrometerFeature feature(models::maya2000Pro().spectrometer, given(fixture.make()),
                                           someSaturation());
    EXPECT_EQ(feature.getElectricDarkPixelIndices(),
              (std::vector<std::uint32_t>{0, 1, 2, 3, 2064, 2065, 2066, 2067}));
    HR2000PlusSpectrometerFeature hr(models::hr2000Plus().spectrometer, given(fixture.make()));
    EXPECT_EQ(hr.getElectricDarkPixelIndices().front(), 2u);
    EXPECT_EQ(hr.getElectricDarkPixelIndices().back(), 23u);
}

TEST(SpectrometerFeature, TriggerModeOutsideTheListIsRefusedWithoutTraffic) {
    Fixture fixture;
    HR2000SpectrometerFeature feature(models::hr2000().spectrometer, given(fixture.make()));
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

TEST(SpectrometerFeature, IntegrationTimeLimitsAreCheckedBeforeAnyTraffic) {
    // HR2000 compares whole milliseconds, so 3500 and 655350999 us are inside its range of
    // 3000 to 655350000 us while 2999 and 655351000 us are not.
    struct Case {
        std::string name;
        MakeModel make;
        std::uint32_t tooShort, shortest, longest, tooLong;
    };
    const std::vector<Case> cases{
        {"HR2000+ (microseconds)", fromRow<models::hr2000Plus>, 999, 1000, 655350000,
         655350001},
        {"HR2000 (milliseconds)", fromRow<models::hr2000>, 2999, 3500, 655350999,
         655351000},
    };
    for (const auto& c : cases) {
        Fixture fixture;
        auto feature = c.make(fixture.make());
        ScriptedBus bus;
        for (std::uint32_t refused : {c.tooShort, c.tooLong}) {
            EXPECT_THROW(feature->setIntegrationTimeMicros(legacy, bus, refused),
                         IllegalArgumentException)
                << c.name << " " << refused;
            EXPECT_EQ(messageOf([&] { feature->setIntegrationTimeMicros(legacy, bus, refused); }),
                      "Specified integration time is out of range.")
                << c.name << " " << refused;
        }
        feature->setIntegrationTimeMicros(legacy, bus, c.shortest);
        feature->setIntegrationTimeMicros(legacy, bus, c.longest);
        EXPECT_EQ(fixture.calls,
                  (std::vector<std::string>{"integration " + std::to_string(c.shortest),
                                            "integration " + std::to_string(c.longest)}))
            << c.name;
    }
}

// An HR2000+ over the recording fake: the model the forwarding paths are tested on.
class SpectrometerFeatureTest : public ::testing::Test {
  protected:
    Fixture fixture;
    HR2000PlusSpectrometerFeature feature{models::hr2000Plus().spectrometer, given(fixture.make())};
    ScriptedBus bus;
};

TEST_F(SpectrometerFeatureTest, IntegrationTimeFailures) {
    EXPECT_EQ(messageOf([&] { feature.setIntegrationTimeMicros(fbp, bus, 5000); }),
              "Could not find matching protocol implementation to get raw spectrum.");
    fixture.fake->failing = "integration";
    EXPECT_EQ(messageOf([&] { feature.setIntegrationTimeMicros(legacy, bus, 5000); }),
              "Caught protocol exception: refused integration");
}

TEST_F(SpectrometerFeatureTest, GetSpectrumRequestsThenReads) {
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

TEST_F(SpectrometerFeatureTest, RawSpectrumIsNotConverted) {
    EXPECT_EQ(feature.getRawSpectrum(legacy, bus), (Bytes{1, 2, 3}));
    EXPECT_EQ(fixture.calls, (std::vector<std::string>{"request", "readUnformatted"}));
    fixture.fake->failing = "read";
    EXPECT_THROW(feature.readRawSpectrum(legacy, bus), ProtocolException);
    EXPECT_EQ(messageOf([&] { feature.requestSpectrum(fbp, bus); }),
              "Could not find matching protocol implementation.");
    EXPECT_EQ(messageOf([&] { feature.readRawSpectrum(fbp, bus); }),
              "Could not find matching protocol implementation.");
}

TEST(GainAdjustedSpectrometerFeature, SaturationLevelFallsBackToTheCeiling) {
    ScriptedBus bus;
    auto levelFor = [&](std::optional<unsigned int> level, bool initialize) {
        Fixture fixture;
        auto saturation = std::make_unique<FixedSaturation>(level);
        USB2000PlusSpectrometerFeature feature(models::usb2000Plus().spectrometer, given(fixture.make()),
                                               std::move(saturation));
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
    JazSpectrometerFeature feature(models::jaz().spectrometer, given(fixture.make()),
                                   std::make_unique<SaturationEEPROMSlotFeature>());
    EXPECT_TRUE(feature.initialize(legacy, bus));
    EXPECT_EQ(feature.getSaturationLevel(), 50000);
    EXPECT_EQ(bus.helper().sent(), std::vector<Bytes>{(Bytes{0x05, 17})});
    EXPECT_THROW(JazSpectrometerFeature(models::jaz().spectrometer, given(fixture.make()), nullptr),
                 IllegalArgumentException);
}

TEST_F(SpectrometerFeatureTest, WavelengthsComeFromTheInformationSlots) {
    queueWavelengthSlots(bus);
    const auto wavelengths = feature.getWavelengths(legacy, bus);
    ASSERT_EQ(wavelengths.size(), 2048u);
    EXPECT_DOUBLE_EQ(wavelengths[2], 501.0);

    QE65000SpectrometerFeature qe(models::qe65000().spectrometer, given(fixture.make()));
    queueWavelengthSlots(bus);
    EXPECT_DOUBLE_EQ(qe.getWavelengths(legacy, bus).at(0), 495.0);
}

TEST(SpectrometerFeature, ZeroPixelsGiveNoWavelengths) {
    Fixture fixture;
    NIRQuestSpectrometerFeature feature(withPixels(models::nirQuest512().spectrometer, 0),
                                        given(fixture.make()), someSaturation());
    ScriptedBus bus;
    queueWavelengthSlots(bus);
    EXPECT_TRUE(feature.getWavelengths(legacy, bus).empty());
    NIRQuestSpectrometerFeature negative(withPixels(models::nirQuest512().spectrometer, -5),
                                         given(fixture.make()), someSaturation());
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
}  // namespace spectro::test
