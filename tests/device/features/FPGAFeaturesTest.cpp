#include <gtest/gtest.h>

#include "device/features/FPGAFeatures.h"
#include "device/support/MessageOf.h"
#include "device/support/Protocols.h"
#include "device/support/Scripted.h"

namespace spectro::test {
namespace {

// Queues the reply to the version read: register 0x04 holding major version `major`.
void fpgaVersion(ScriptedBus& bus, int major) {
    bus.helper().reply({0x6B, 0x00, static_cast<std::uint8_t>(major << 4)});
}

std::vector<Bytes> strobeWrites(int major, std::uint32_t period) {
    ScriptedBus bus;
    fpgaVersion(bus, major);
    ContinuousStrobeFeature_FPGA feature;
    feature.setContinuousStrobePeriodMicroseconds(legacy, bus, 0, period);
    return bus.helper().sent();
}

const Bytes readVersion{0x6B, 0x04};

TEST(ContinuousStrobeFeature_FPGA, VersionOneCountsMicrosecondsBelowTwoToTheSixteen) {
    EXPECT_EQ(strobeWrites(1, 65535),
              (std::vector<Bytes>{readVersion, {0x6A, 0x08, 48, 0}, {0x6A, 0x0C, 0xFE, 0xFF}}));
    EXPECT_EQ(strobeWrites(1, 1000),
              (std::vector<Bytes>{readVersion, {0x6A, 0x08, 48, 0}, {0x6A, 0x0C, 0xE7, 0x03}}));
}

TEST(ContinuousStrobeFeature_FPGA, VersionOneCountsMillisecondsAbove) {
    EXPECT_EQ(strobeWrites(1, 65536),
              (std::vector<Bytes>{readVersion, {0x6A, 0x08, 0x80, 0xBB}, {0x6A, 0x0C, 64, 0}}));
    EXPECT_EQ(strobeWrites(1, 65536999).back(), (Bytes{0x6A, 0x0C, 0xFF, 0xFF}));  // 65535 ms
}

TEST(ContinuousStrobeFeature_FPGA, VersionThreeCountsTicks) {
    EXPECT_EQ(strobeWrites(3, 1000),
              (std::vector<Bytes>{readVersion, {0x6A, 0x08, 0, 0}, {0x6A, 0x0C, 0x80, 0xBB}}));
    EXPECT_EQ(strobeWrites(3, 65535),  // 3145680 ticks = 0x2FFFD0
              (std::vector<Bytes>{readVersion, {0x6A, 0x08, 0x2F, 0}, {0x6A, 0x0C, 0xD0, 0xFF}}));
    EXPECT_EQ(strobeWrites(3, 65536),  // 0x300000
              (std::vector<Bytes>{readVersion, {0x6A, 0x08, 0x30, 0}, {0x6A, 0x0C, 0, 0}}));
}

TEST(ContinuousStrobeFeature_FPGA, PeriodsThatWouldWrapAreRefusedAfterTheVersionRead) {
    // Version 1: 65537000 us needs a millisecond count of 65536, one past 16 bits, and 2^26 us
    // is past the millisecond range itself. Version 3: 90000000 us is more 48 MHz ticks than 32
    // bits hold.
    struct Case {
        int major;
        std::uint32_t period;
    };
    for (const Case c : {Case{1, 65537000}, Case{1, 1u << 26}, Case{3, 90000000}}) {
        ScriptedBus bus;
        fpgaVersion(bus, c.major);
        ContinuousStrobeFeature_FPGA feature;
        try {
            feature.setContinuousStrobePeriodMicroseconds(legacy, bus, 0, c.period);
            ADD_FAILURE() << "version " << c.major << ", " << c.period << " us was accepted";
        } catch (const ProtocolException& e) {
            EXPECT_STREQ(e.what(), "Input strobe period too large")
                << "version " << c.major << ", " << c.period << " us";
        }
        EXPECT_EQ(bus.helper().sent(), std::vector<Bytes>{readVersion})
            << "version " << c.major << ", " << c.period << " us";
    }
}

TEST(ContinuousStrobeFeature_FPGA, OtherVersionsAndGeneratorsAreRefused) {
    ScriptedBus bus;
    ContinuousStrobeFeature_FPGA feature;
    EXPECT_EQ(
        messageOf([&] { feature.setContinuousStrobePeriodMicroseconds(legacy, bus, 1, 1000); }),
        "feature only supports one continuous strobe generator");
    EXPECT_TRUE(bus.helper().operations().empty());
    fpgaVersion(bus, 2);
    EXPECT_EQ(
        messageOf([&] { feature.setContinuousStrobePeriodMicroseconds(legacy, bus, 0, 1000); }),
        "unsupported FPGA major version");
    EXPECT_EQ(feature.getFeatureFamily().getName(), "ContinuousStrobe");
}

TEST(ContinuousStrobeFeature_FPGA, EnableUsesTheStrobeLine) {
    ScriptedBus bus;
    ContinuousStrobeFeature_FPGA feature;
    feature.setContinuousStrobeEnable(legacy, bus, 0, true);
    feature.setContinuousStrobeEnable(TestProtocol(2000), bus, 0, false);
    EXPECT_EQ(bus.helper().sent(), (std::vector<Bytes>{{0x03, 1, 0}, {0x03, 0, 0}}));
    auto noHelpers = ScriptedBus::withoutHelpers();
    EXPECT_EQ(
        messageOf([&] { feature.setContinuousStrobeEnable(legacy, *noHelpers, 0, true); }),
        "Caught protocol exception: Failed to find a helper to bridge given protocol and bus.");
}

TEST(FPGARegisterFeature, ReadsWritesAndVersion) {
    ScriptedBus bus;
    FPGARegisterFeature feature;
    bus.helper().reply({0x6B, 0x34, 0x12});
    EXPECT_EQ(feature.readRegister(TestProtocol(1), bus, 0x38), 0x1234);
    feature.writeRegister(TestProtocol(1), bus, 0x3C, 1000);
    bus.helper().reply({0x6B, 0x00, 0x31});
    EXPECT_EQ(feature.getMajorVersion(legacy, bus), 3);
    EXPECT_EQ(bus.helper().sent(),
              (std::vector<Bytes>{{0x6B, 0x38}, {0x6A, 0x3C, 0xE8, 0x03}, {0x6B, 0x04}}));
    auto noHelpers = ScriptedBus::withoutHelpers();
    EXPECT_THROW(feature.readRegister(legacy, *noHelpers, 1), ProtocolBusMismatchException);
    EXPECT_THROW(feature.writeRegister(legacy, *noHelpers, 1, 1), FeatureControlException);
}

TEST(AcquisitionDelayFeature_FPGA, LimitsAndConversions) {
    AcquisitionDelayFeature_FPGA feature;
    ScriptedBus bus;
    EXPECT_EQ(feature.getAcquisitionDelayMinimumMicroseconds(legacy, bus), 0u);
    EXPECT_EQ(feature.getAcquisitionDelayMaximumMicroseconds(legacy, bus), 1365u);
    EXPECT_EQ(feature.getAcquisitionDelayIncrementMicroseconds(legacy, bus), 1u);
    EXPECT_EQ(feature.microsecondsToCounts(1365), 65520u);
    EXPECT_EQ(feature.countsToMicroseconds(95), 1u);
    EXPECT_EQ(feature.getFeatureFamily().getType(), 19);
}

TEST(AcquisitionDelayFeature_FPGA, SetsRegister0x28AndRemembersTheDelay) {
    AcquisitionDelayFeature_FPGA feature;
    ScriptedBus bus;
    EXPECT_EQ(messageOf([&] { feature.getAcquisitionDelayMicroseconds(); }),
              "Cannot read acquisition delay from device, and no previously set value is cached.");
    feature.setAcquisitionDelayMicroseconds(legacy, bus, 1365);
    EXPECT_EQ(bus.helper().sent(), std::vector<Bytes>{(Bytes{0x6A, 0x28, 0xF0, 0xFF})});
    EXPECT_EQ(feature.getAcquisitionDelayMicroseconds(), 1365u);
    EXPECT_EQ(bus.helper().sent().size(), 1u);
}

TEST(AcquisitionDelayFeature_FPGA, RefusalsLeaveTheCacheAlone) {
    AcquisitionDelayFeature_FPGA feature;
    ScriptedBus bus;
    EXPECT_EQ(messageOf([&] { feature.setAcquisitionDelayMicroseconds(legacy, bus, 1366); }),
              "Supplied acquisition delay out of range.");
    // 89478486 * 48 wraps to 32 in 32-bit arithmetic; it must still be refused.
    EXPECT_THROW(feature.setAcquisitionDelayMicroseconds(legacy, bus, 89478486), FeatureException);
    EXPECT_EQ(
        messageOf([&] { feature.setAcquisitionDelayMicroseconds(TestProtocol(2000), bus, 10); }),
        "Could not find matching protocol implementation to write FPGA register");
    auto noHelpers = ScriptedBus::withoutHelpers();
    EXPECT_EQ(
        messageOf([&] { feature.setAcquisitionDelayMicroseconds(legacy, *noHelpers, 10); }),
        "Caught protocol exception: Failed to find a helper to bridge given protocol and bus.");
    EXPECT_TRUE(bus.helper().operations().empty());
    EXPECT_THROW(feature.getAcquisitionDelayMicroseconds(), FeatureException);
}

// The protocol-based twins.

class FakeStrobeAndDelay : public ContinuousStrobeProtocolInterface,
                           public AcquisitionDelayProtocolInterface,
                           public ProtocolHelper {
  public:
    FakeStrobeAndDelay()
        : ProtocolHelper(std::make_unique<framedBinaryProtocol::FramedBinaryProtocol>()) {}
    bool setContinuousStrobePeriodMicroseconds(const Bus&, std::uint16_t index,
                                               std::uint32_t period) override {
        check();
        calls.push_back("period " + std::to_string(index) + " " + std::to_string(period));
        return true;
    }
    bool setContinuousStrobeEnable(const Bus&, std::uint16_t index, bool enable) override {
        check();
        calls.push_back("enable " + std::to_string(index) + " " + std::to_string(enable));
        return true;
    }
    void setAcquisitionDelayMicroseconds(const Bus&, std::uint32_t micros) override {
        check();
        calls.push_back("delay " + std::to_string(micros));
    }
    void check() {
        if (fail) throw ProtocolException("refused");
    }
    bool fail = false;
    std::vector<std::string> calls;
};

class TestDelayFeature : public AcquisitionDelayFeature {
  public:
    using AcquisitionDelayFeature::AcquisitionDelayFeature;
    std::uint32_t getAcquisitionDelayIncrementMicroseconds(const Protocol&, const Bus&) override {
        return 1;
    }
    std::uint32_t getAcquisitionDelayMaximumMicroseconds(const Protocol&, const Bus&) override {
        return 335500;
    }
    std::uint32_t getAcquisitionDelayMinimumMicroseconds(const Protocol&, const Bus&) override {
        return 0;
    }
};

TEST(ContinuousStrobeFeature, ForwardsPeriodWrappedAndEnablePlain) {
    ScriptedBus bus;
    auto fake = std::make_unique<FakeStrobeAndDelay>();
    FakeStrobeAndDelay& view = *fake;
    ContinuousStrobeFeature feature(std::move(fake));
    feature.setContinuousStrobePeriodMicroseconds(fbp, bus, 0, 500);
    feature.setContinuousStrobeEnable(fbp, bus, 0, true);
    EXPECT_EQ(view.calls, (std::vector<std::string>{"period 0 500", "enable 0 1"}));
    EXPECT_EQ(messageOf([&] { feature.setContinuousStrobePeriodMicroseconds(legacy, bus, 0, 1); }),
              "Could not find matching protocol implementation to control continuous strobe.");
    // The enable operation is plain: it names no operation of its own.
    EXPECT_EQ(messageOf([&] { feature.setContinuousStrobeEnable(legacy, bus, 0, true); }),
              "Could not find matching protocol implementation.");
    view.fail = true;
    EXPECT_THROW(feature.setContinuousStrobePeriodMicroseconds(fbp, bus, 0, 1),
                 FeatureControlException);
    EXPECT_THROW(feature.setContinuousStrobeEnable(fbp, bus, 0, true), ProtocolException);
}

TEST(AcquisitionDelayFeature, ForwardsAndCaches) {
    ScriptedBus bus;
    auto fake = std::make_unique<FakeStrobeAndDelay>();
    FakeStrobeAndDelay& view = *fake;
    TestDelayFeature feature(std::move(fake));
    EXPECT_THROW(feature.getAcquisitionDelayMicroseconds(), FeatureException);
    feature.setAcquisitionDelayMicroseconds(fbp, bus, 250);
    EXPECT_EQ(feature.getAcquisitionDelayMicroseconds(), 250u);
    EXPECT_EQ(messageOf([&] { feature.setAcquisitionDelayMicroseconds(legacy, bus, 1); }),
              "Could not find matching protocol implementation to set acquisition delay.");
    view.fail = true;
    EXPECT_EQ(messageOf([&] { feature.setAcquisitionDelayMicroseconds(fbp, bus, 9); }),
              "Caught protocol exception: refused");
    EXPECT_EQ(feature.getAcquisitionDelayMicroseconds(), 250u);
    EXPECT_EQ(view.calls, std::vector<std::string>{"delay 250"});
}

}  // namespace
}  // namespace spectro::test
