#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "device/features/EEPROMSlotFeature.h"
#include "device/features/NonlinearityCoeffsFeature.h"
#include "device/features/SaturationFeature.h"
#include "device/features/SerialNumberFeature.h"
#include "device/features/StrayLightCoeffsFeature.h"
#include "device/features/WaveCalFeature.h"
#include "device/support/MessageOf.h"
#include "device/support/Protocols.h"
#include "device/support/Scripted.h"

namespace spectro::test {
namespace {

// An EEPROM implementation that serves slots from a table, so that a test can hand out
// replies of any length, none at all, or an exception.
class TableEEPROM : public EEPROMProtocolInterface, public ProtocolHelper {
  public:
    TableEEPROM() : ProtocolHelper(std::make_unique<legacyProtocol::LegacyProtocol>()) {}
    std::optional<Bytes> readEEPROMSlot(const Bus&, unsigned int slot) override {
        reads.push_back(slot);
        if (auto failure = failures.find(slot); failure != failures.end()) failure->second();
        auto found = slots.find(slot);
        if (found == slots.end()) return std::nullopt;
        return found->second;
    }
    int writeEEPROMSlot(const Bus&, unsigned int, const Bytes& data) override {
        return static_cast<int>(data.size());
    }
    std::map<unsigned int, Bytes> slots;
    std::map<unsigned int, std::function<void()>> failures;
    std::vector<unsigned int> reads;
};

// The slot base on its own, with no family of its own.
class PlainSlotFeature : public EEPROMSlotFeatureBase {
  public:
    using EEPROMSlotFeatureBase::EEPROMSlotFeatureBase;
    FeatureFamily getFeatureFamily() override { return api::FeatureFamilies().UNDEFINED; }
};

template <class FeatureType, class... Args>
std::pair<std::unique_ptr<FeatureType>, TableEEPROM*> withTable(Args&&... args) {
    auto table = std::make_unique<TableEEPROM>();
    TableEEPROM* view = table.get();
    auto feature = std::make_unique<FeatureType>(std::forward<Args>(args)..., std::move(table));
    return {std::move(feature), view};
}

// ----- EEPROMSlotFeature over the real legacy implementation -----

TEST(EEPROMSlotFeature, ReadsTheFifteenContentBytesOfASlot) {
    ScriptedBus bus;
    bus.helper().reply(slotReply(0, "HR+C1834"));
    EEPROMSlotFeature feature(17);
    EXPECT_EQ(feature.getFeatureFamily().getName(), "EEPROM");
    const Bytes contents = feature.readEEPROMSlot(legacy, bus, 0);
    EXPECT_EQ(contents, textBytes("HR+C1834", 15));
    EXPECT_EQ(bus.helper().sent(), std::vector<Bytes>{(Bytes{0x05, 0x00})});
}

TEST(EEPROMSlotFeature, RefusesSlotsOutOfBoundsBeforeAnyTraffic) {
    ScriptedBus bus;
    EEPROMSlotFeature feature(17);
    EXPECT_EQ(messageOf([&] { feature.readEEPROMSlot(legacy, bus, 17); }),
              "EEPROM slot out of bounds.");
    EXPECT_THROW(feature.writeEEPROMSlot(legacy, bus, 17, {1}), IllegalArgumentException);
    EXPECT_TRUE(bus.helper().operations().empty());
}

TEST(EEPROMSlotFeature, WritesASlot) {
    ScriptedBus bus;
    EEPROMSlotFeature feature(18);
    EXPECT_EQ(feature.writeEEPROMSlot(legacy, bus, 17, {1, 2, 3, 4}), 4);
    Bytes expected{0x06, 0x11, 1, 2, 3, 4};
    expected.resize(17, 0);
    EXPECT_EQ(bus.helper().sent(), std::vector<Bytes>{expected});
}

TEST(EEPROMSlotFeature, ReadsAllSlotsInOrder) {
    ScriptedBus bus;
    for (std::uint8_t slot = 0; slot < 3; ++slot)
        bus.helper().reply(slotReply(slot, std::to_string(slot)));
    EEPROMSlotFeature feature(3);
    const auto slots = feature.readAllEEPROMSlots(legacy, bus);
    ASSERT_EQ(slots.size(), 3u);
    EXPECT_EQ(slots[2][0], '2');
    EXPECT_EQ(bus.helper().sent().size(), 3u);
}

TEST(EEPROMSlotFeature, MessagesOfEveryFailure) {
    ScriptedBus bus;
    EEPROMSlotFeature feature(17);
    EXPECT_EQ(messageOf([&] { feature.readEEPROMSlot(TestProtocol(2000), bus, 0); }),
              "Could not find matching protocol implementation to get read EEPROM.");
    EXPECT_EQ(messageOf([&] { feature.writeEEPROMSlot(TestProtocol(2000), bus, 0, {}); }),
              "Could not find matching protocol implementation to get write EEPROM.");
    // No reply queued: the helper fails, the exchange reports it, the feature wraps it.
    EXPECT_EQ(messageOf([&] { feature.readEEPROMSlot(legacy, bus, 0); }),
              "Caught protocol exception: Failed to read from bus.");
    auto noHelpers = ScriptedBus::withoutHelpers();
    EXPECT_EQ(
        messageOf([&] { feature.readEEPROMSlot(legacy, *noHelpers, 0); }),
        "Caught protocol exception: Failed to find a helper to bridge given protocol and bus.");
    EXPECT_THROW(feature.writeEEPROMSlot(legacy, bus, 1, Bytes(16, 1)), std::out_of_range);

    auto [tabled, table] = withTable<PlainSlotFeature>();
    EXPECT_EQ(messageOf([&, &f = *tabled] { f.readEEPROMSlot(legacy, bus, 4); }),
              "Could not read EEPROM slot.");
}

TEST(EEPROMSlotFeatureBase, ParsesNumbersTheWayStreamsDo) {
    auto [feature, table] = withTable<PlainSlotFeature>();
    ScriptedBus bus;
    table->slots[1] = textBytes("  500.25nm");
    table->slots[2] = textBytes("abc");
    table->slots[3] = textBytes("-12 and more");
    table->slots[4] = textBytes("1.5e-3");
    table->slots[5] = textBytes("123456789012345678");  // longer than a slot: 15 used
    EXPECT_DOUBLE_EQ(feature->readDouble(legacy, bus, 1), 500.25);
    EXPECT_DOUBLE_EQ(feature->readDouble(legacy, bus, 2), 0.0);
    EXPECT_EQ(feature->readLong(legacy, bus, 3), -12);
    EXPECT_DOUBLE_EQ(feature->readDouble(legacy, bus, 4), 0.0015);
    EXPECT_EQ(feature->readLong(legacy, bus, 5), 123456789012345L);
}

TEST(EEPROMSlotFeatureBase, ParsesOnlyTheBytesReceived) {
    auto [feature, table] = withTable<PlainSlotFeature>();
    ScriptedBus bus;
    table->slots[1] = Bytes{'4', '2'};  // short reply without a terminating zero
    table->slots[2] = Bytes{};
    EXPECT_DOUBLE_EQ(feature->readDouble(legacy, bus, 1), 42.0);
    EXPECT_DOUBLE_EQ(feature->readDouble(legacy, bus, 2), 0.0);
}

TEST(EEPROMSlotFeature, AnInvalidSlotCannotBeParsed) {
    EEPROMSlotFeature feature(2);
    ScriptedBus bus;
    EXPECT_EQ(messageOf([&] { feature.readDouble(legacy, bus, 5); }),
              "Trying to read and parse invalid slot.");
}

// ----- serial number -----

TEST(SerialNumberEEPROMSlotFeature, KeepsTheTerminatingZero) {
    ScriptedBus bus;
    bus.helper().reply(slotReply(0, "C18345"));
    SerialNumberEEPROMSlotFeature feature;
    const std::string serial = feature.readSerialNumber(legacy, bus);
    EXPECT_EQ(serial.size(), 7u);
    EXPECT_EQ(serial, std::string("C18345\0", 7));
    EXPECT_EQ(feature.getSerialNumberMaximumLength(legacy, bus), 15);
    EXPECT_EQ(feature.getFeatureFamily().getType(), 1);
}

TEST(SerialNumberEEPROMSlotFeature, ASlotWithoutZeroGivesAllItsBytes) {
    auto [feature, table] = withTable<SerialNumberEEPROMSlotFeature>();
    ScriptedBus bus;
    table->slots[0] = textBytes("ABCDEFGHIJKLMNO");
    EXPECT_EQ(feature->readSerialNumber(legacy, bus), "ABCDEFGHIJKLMNO");
    table->slots[0] = Bytes{'X', 'Y'};
    EXPECT_EQ(feature->readSerialNumber(legacy, bus), "XY");
}

TEST(SerialNumberEEPROMSlotFeature, MapsAnInvalidSlot) {
    auto [feature, table] = withTable<SerialNumberEEPROMSlotFeature>();
    ScriptedBus bus;
    table->failures[0] = [] { throw IllegalArgumentException("bad slot"); };
    EXPECT_EQ(messageOf([&, &f = *feature] { f.readSerialNumber(legacy, bus); }),
              "Internal error: serial number slot invalid.");
}

// ----- wavelengths -----

TEST(WavelengthEEPROMSlotFeature, EvaluatesThePolynomialPerPixel) {
    ScriptedBus bus;
    queueWavelengthSlots(bus);
    WavelengthEEPROMSlotFeature feature(2048);
    const auto wavelengths = feature.getWavelengths(legacy, bus);
    ASSERT_EQ(wavelengths.size(), 2048u);
    EXPECT_DOUBLE_EQ(wavelengths[0], 500.0);
    EXPECT_DOUBLE_EQ(wavelengths[1], 500.5);
    EXPECT_DOUBLE_EQ(wavelengths[2], 501.0);
    EXPECT_EQ(bus.helper().sent(),
              (std::vector<Bytes>{{0x05, 1}, {0x05, 2}, {0x05, 3}, {0x05, 4}}));
}

TEST(WavelengthEEPROMSlotFeature, QE65000StartsAtMinusTen) {
    ScriptedBus bus;
    queueWavelengthSlots(bus);
    WavelengthEEPROMSlotFeature_QE65000 feature(1044);
    EXPECT_DOUBLE_EQ(feature.getWavelengths(legacy, bus).at(0), 495.0);
}

TEST(WavelengthEEPROMSlotFeature, CubicTermsAndZeroPixels) {
    auto [feature, table] = withTable<WavelengthEEPROMSlotFeature>(4u);
    ScriptedBus bus;
    table->slots = {
        {1, textBytes("1")}, {2, textBytes("2")}, {3, textBytes("3")}, {4, textBytes("4")}};
    EXPECT_EQ(feature->getWavelengths(legacy, bus),
              (std::vector<double>{1, 1 + 2 + 3 + 4, 1 + 4 + 12 + 32, 1 + 6 + 27 + 108}));
    auto [empty, emptyTable] = withTable<WavelengthEEPROMSlotFeature>(0u);
    emptyTable->slots = table->slots;
    EXPECT_TRUE(empty->getWavelengths(legacy, bus).empty());
}

TEST(WavelengthEEPROMSlotFeature, AnUnparsableCoefficientGivesTheIdentity) {
    auto [feature, table] = withTable<WavelengthEEPROMSlotFeature>(3u);
    ScriptedBus bus;
    table->slots = {{1, textBytes("7")}, {2, textBytes("2")}, {4, textBytes("1")}};
    table->failures[3] = [] {
        throw NumberFormatException("Could not parse double out of EEPROM slot.");
    };
    EXPECT_EQ(feature->getWavelengths(legacy, bus), (std::vector<double>{0, 1, 2}));
    // Other failures are not hidden.
    table->failures[3] = [] { throw ProtocolException("gone"); };
    EXPECT_THROW(feature->getWavelengths(legacy, bus), FeatureControlException);
}

// ----- stray light -----

TEST(StrayLightEEPROMSlotFeature, OneOrTwoNumbers) {
    ScriptedBus bus;
    Bytes two = textBytes("1.5");
    two.push_back(0);
    for (char c : std::string("2.5")) two.push_back(static_cast<std::uint8_t>(c));
    bus.helper().reply(slotReply(5, two));
    bus.helper().reply(slotReply(5, two));
    StrayLightEEPROMSlotFeature feature;
    EXPECT_EQ(feature.getStrayLightCoefficients(legacy, bus), (std::vector<double>{1.5, 2.5}));

    bus.helper().reply(slotReply(5, "1.5"));
    bus.helper().reply(slotReply(5, "1.5"));
    EXPECT_EQ(feature.getStrayLightCoefficients(legacy, bus), (std::vector<double>{1.5}));
    EXPECT_EQ(feature.getFeatureFamily().getName(), "StrayLightCoeffs");
}

TEST(StrayLightEEPROMSlotFeature, ASecondNumberAtTheEndOfTheSlotStaysInsideIt) {
    auto [feature, table] = withTable<StrayLightEEPROMSlotFeature>();
    ScriptedBus bus;
    // 13 characters, a zero, then one digit in the last byte: no terminator, no padding.
    Bytes contents = textBytes("1234567890123");
    contents.push_back(0);
    contents.push_back('7');
    table->slots[5] = contents;
    EXPECT_EQ(feature->getStrayLightCoefficients(legacy, bus),
              (std::vector<double>{1234567890123.0, 7.0}));
    // A second text that is no number gives 0; 0xFF padding is no second number.
    table->slots[5] = Bytes{'3', 0, 'x', 'y'};
    EXPECT_EQ(feature->getStrayLightCoefficients(legacy, bus), (std::vector<double>{3.0, 0.0}));
    table->slots[5] = Bytes{'3', 0, 0xFF, 0xFF};
    EXPECT_EQ(feature->getStrayLightCoefficients(legacy, bus), (std::vector<double>{3.0}));
}

TEST(StrayLightEEPROMSlotFeature, Failures) {
    auto [feature, table] = withTable<StrayLightEEPROMSlotFeature>();
    ScriptedBus bus;
    EXPECT_EQ(messageOf([&, &f = *feature] { f.getStrayLightCoefficients(legacy, bus); }),
              "Could not read EEPROM slot for stray light.");
    table->failures[5] = [] { throw IllegalArgumentException("bad"); };
    EXPECT_EQ(messageOf([&, &f = *feature] { f.getStrayLightCoefficients(legacy, bus); }),
              "Internal error: stray light slot invalid.");
}

// ----- nonlinearity -----

TEST(NonlinearityEEPROMSlotFeature, ReadsOrderThenCoefficients) {
    ScriptedBus bus;
    bus.helper().reply(slotReply(14, "2"));
    bus.helper().reply(slotReply(6, "0.9"));
    bus.helper().reply(slotReply(7, "1e-6"));
    bus.helper().reply(slotReply(8, "-2e-11"));
    NonlinearityEEPROMSlotFeature feature;
    EXPECT_EQ(feature.getNonlinearityCoefficients(legacy, bus),
              (std::vector<double>{0.9, 1e-6, -2e-11}));
    EXPECT_EQ(bus.helper().sent(),
              (std::vector<Bytes>{{0x05, 14}, {0x05, 6}, {0x05, 7}, {0x05, 8}}));
}

TEST(NonlinearityEEPROMSlotFeature, AnUnparsableCoefficientGivesTheIdentity) {
    auto [feature, table] = withTable<NonlinearityEEPROMSlotFeature>();
    ScriptedBus bus;
    table->slots[14] = textBytes("7");
    for (unsigned int slot = 6; slot <= 13; ++slot) table->slots[slot] = textBytes("3");
    table->failures[9] = [] {
        throw NumberFormatException("Could not parse double out of EEPROM slot.");
    };
    EXPECT_EQ(feature->getNonlinearityCoefficients(legacy, bus),
              (std::vector<double>{1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(table->reads, (std::vector<unsigned int>{14, 6, 7, 8, 9}));
}

TEST(NonlinearityEEPROMSlotFeature, OtherFailuresZeroOneCoefficient) {
    auto [feature, table] = withTable<NonlinearityEEPROMSlotFeature>();
    ScriptedBus bus;
    table->slots = {{14, textBytes("2")}, {6, textBytes("1")}, {8, textBytes("3")}};
    // Slot 7 has no reply: "Could not read EEPROM slot." is a standard exception.
    EXPECT_EQ(feature->getNonlinearityCoefficients(legacy, bus), (std::vector<double>{1, 0, 3}));
}

TEST(NonlinearityEEPROMSlotFeature, AnOrderOutsideTheCoefficientSlotsIsRefused) {
    auto [feature, table] = withTable<NonlinearityEEPROMSlotFeature>();
    ScriptedBus bus;
    for (const char* order : {"-1", "8", "999999999999"}) {
        table->slots[14] = textBytes(order);
        EXPECT_EQ(messageOf([&, &f = *feature] { f.getNonlinearityCoefficients(legacy, bus); }),
                  "Could not get nonlinearity polynomial order.")
            << order;
    }
    table->failures[14] = [] {
        throw NumberFormatException("Could not parse int out of EEPROM slot.");
    };
    EXPECT_EQ(messageOf([&, &f = *feature] { f.getNonlinearityCoefficients(legacy, bus); }),
              "Could not get nonlinearity polynomial order.");
}

// ----- saturation -----

TEST(SaturationEEPROMSlotFeatures, DecodeTheirBytesOfSlot17) {
    ScriptedBus bus;
    const Bytes slot{0x34, 0x12, 0, 0, 0xFF, 0x3F, 0x01, 0x00};

    SaturationEEPROMSlotFeature plain;
    bus.helper().reply(slotReply(17, slot));
    EXPECT_EQ(plain.readSaturation(legacy, bus), 0x3FFFu);
    EXPECT_EQ(bus.helper().sent().back(), (Bytes{0x05, 17}));

    SaturationEEPROMSlotFeature_MayaPro maya;
    bus.helper().reply(slotReply(17, slot));
    EXPECT_EQ(maya.readSaturation(legacy, bus), 0x1234u);

    SaturationEEPROMSlotFeature_NIRQuest nirQuest;
    bus.helper().reply(slotReply(17, slot));
    EXPECT_EQ(nirQuest.readSaturation(legacy, bus), 0x00013FFFu);
}

TEST(SaturationEEPROMSlotFeatures, AShortSlotIsRefusedWithoutReadingPastIt) {
    ScriptedBus bus;
    const char* message = "Unable to read EEPROM slot for saturation level";
    {
        auto [feature, table] = withTable<SaturationEEPROMSlotFeature>();
        table->slots[17] = Bytes(5, 1);
        EXPECT_EQ(messageOf([&, &f = *feature] { f.readSaturation(legacy, bus); }), message);
        table->slots[17] = Bytes(6, 1);
        EXPECT_EQ(feature->readSaturation(legacy, bus), 0x0101u);
    }
    {
        auto [feature, table] = withTable<SaturationEEPROMSlotFeature_MayaPro>();
        table->slots[17] = Bytes(7, 1);
        EXPECT_EQ(messageOf([&, &f = *feature] { f.readSaturation(legacy, bus); }), message);
    }
    {
        auto [feature, table] = withTable<SaturationEEPROMSlotFeature_NIRQuest>();
        table->slots[17] = Bytes(7, 1);
        EXPECT_EQ(messageOf([&, &f = *feature] { f.readSaturation(legacy, bus); }), message);
        table->slots.clear();  // no result at all
        EXPECT_EQ(messageOf([&, &f = *feature] { f.readSaturation(legacy, bus); }), message);
    }
}

TEST(SaturationEEPROMSlotFeatures, InitializeCachesTheLevel) {
    ScriptedBus bus;
    SaturationEEPROMSlotFeature feature;
    EXPECT_EQ(messageOf([&] { feature.getSaturation(); }),
              "Saturation level not properly initialized");
    bus.helper().reply(slotReply(17, Bytes{0, 0, 0, 0, 0x10, 0x27}));
    EXPECT_TRUE(feature.initialize(legacy, bus));
    EXPECT_EQ(feature.getSaturation(), 10000);
    EXPECT_EQ(bus.helper().operations().size(), 2u);
    EXPECT_EQ(feature.getSaturation(), 10000);  // no further traffic
    EXPECT_EQ(bus.helper().operations().size(), 2u);

    // A failed read clears the cache and initialize still succeeds.
    bus.helper().reply(slotReply(17, Bytes{}));  // only zeros: a valid zero level
    EXPECT_TRUE(feature.initialize(legacy, bus));
    EXPECT_EQ(feature.getSaturation(), 0);
    EXPECT_TRUE(feature.initialize(legacy, bus));  // no reply: protocol failure
    EXPECT_THROW(feature.getSaturation(), FeatureException);
}

// ----- protocol-based twins -----

class FakeFBPCalibration : public SerialNumberProtocolInterface,
                           public WaveCalProtocolInterface,
                           public StrayLightCoeffsProtocolInterface,
                           public NonlinearityCoeffsProtocolInterface,
                           public ProgrammableSaturationProtocolInterface,
                           public ProtocolHelper {
  public:
    FakeFBPCalibration()
        : ProtocolHelper(std::make_unique<framedBinaryProtocol::FramedBinaryProtocol>()) {}
    std::string readSerialNumber(const Bus&) override {
        check();
        return "QEP01234";
    }
    std::uint8_t readSerialNumberMaximumLength(const Bus&) override {
        check();
        return 16;
    }
    std::vector<double> readWavelengthCoeffs(const Bus&) override {
        check();
        return coefficients;
    }
    std::optional<std::vector<double>> readStrayLightCoeffs(const Bus&) override {
        check();
        return std::nullopt;
    }
    std::optional<std::vector<double>> readNonlinearityCoeffs(const Bus&) override {
        check();
        return std::vector<double>{};
    }
    std::uint32_t getSaturation(const Bus&) override {
        check();
        return 60000;
    }
    void check() {
        if (fail) throw ProtocolException("device said no");
    }
    bool fail = false;
    std::vector<double> coefficients{100.0, 2.0, 0.0, 0.0};
};

template <class FeatureType, class... Args>
std::pair<std::unique_ptr<FeatureType>, FakeFBPCalibration*> withFake(Args... args) {
    auto fake = std::make_unique<FakeFBPCalibration>();
    FakeFBPCalibration* view = fake.get();
    return {std::make_unique<FeatureType>(std::move(fake), args...), view};
}

TEST(ProtocolTwins, ForwardAndWrap) {
    ScriptedBus bus;
    auto [serial, serialFake] = withFake<SerialNumberFeature>();
    EXPECT_EQ(serial->readSerialNumber(fbp, bus), "QEP01234");
    EXPECT_EQ(serial->getSerialNumberMaximumLength(fbp, bus), 16);
    EXPECT_EQ(messageOf([&, &f = *serial] { f.readSerialNumber(legacy, bus); }),
              "Could not find matching protocol implementation to get serial number.");
    serialFake->fail = true;
    EXPECT_EQ(messageOf([&, &f = *serial] { f.readSerialNumber(fbp, bus); }),
              "Caught protocol exception: device said no");

    auto [waveCal, waveFake] = withFake<WaveCalFeature>(3u);
    EXPECT_EQ(waveCal->getWavelengths(fbp, bus), (std::vector<double>{100, 102, 104}));
    EXPECT_EQ(messageOf([&, &f = *waveCal] { f.getWavelengths(legacy, bus); }),
              "Could not find matching protocol implementation to get wavelength calibration.");
    waveFake->coefficients = {};  // counts that do not fit: nothing is read out of range
    EXPECT_EQ(waveCal->getWavelengths(fbp, bus), (std::vector<double>{0, 0, 0}));
    waveFake->coefficients = {1.0};
    EXPECT_EQ(waveCal->getWavelengths(fbp, bus), (std::vector<double>{1, 1, 1}));

    auto [strayLight, strayFake] = withFake<StrayLightCoeffsFeature>();
    EXPECT_FALSE(strayLight->getStrayLightCoefficients(fbp, bus).has_value());
    EXPECT_EQ(messageOf([&, &f = *strayLight] { f.getStrayLightCoefficients(legacy, bus); }),
              "Could not find matching protocol implementation to get stray light calibration.");

    auto [nonlinearity, nlFake] = withFake<NonlinearityCoeffsFeature>();
    auto coefficients = nonlinearity->getNonlinearityCoefficients(fbp, bus);
    ASSERT_TRUE(coefficients.has_value());
    EXPECT_TRUE(coefficients->empty());
    EXPECT_EQ(messageOf([&, &f = *nonlinearity] { f.getNonlinearityCoefficients(legacy, bus); }),
              "Could not find matching protocol implementation to get nonlinearity calibration.");
}

TEST(ProtocolTwins, ProgrammableSaturationCachesLikeTheSlotFeatures) {
    ScriptedBus bus;
    auto [saturation, fake] = withFake<ProgrammableSaturationFeatureImpl>();
    EXPECT_THROW(saturation->getSaturation(), FeatureException);
    EXPECT_TRUE(saturation->initialize(fbp, bus));
    EXPECT_EQ(saturation->getSaturation(), 60000);
    fake->fail = true;
    EXPECT_TRUE(saturation->initialize(fbp, bus));
    EXPECT_EQ(messageOf([&, &f = *saturation] { f.getSaturation(); }),
              "Saturation level not properly initialized");
}

}  // namespace
}  // namespace spectro::test
