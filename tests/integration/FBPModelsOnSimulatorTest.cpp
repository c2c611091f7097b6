// The framed-binary models against simulated units: each opened over USB through its row, the
// STS over a serial line (a pseudo-terminal), the Blaze and the Jaz over loopback TCP, and the
// ways those lines fail. The units are written from the wire format alone.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/api/SpectroWrapper.h"
#include "device/buses/network/IPv4SocketDeviceLocator.h"
#include "device/buses/rs232/RS232DeviceLocator.h"
#include "device/common/Exceptions.h"
#include "device/features/ForwardingFeatures.h"
#include "device/features/NonlinearityCoeffsFeature.h"
#include "device/features/STSPixelBinningFeature.h"
#include "device/features/SerialNumberFeature.h"
#include "device/features/SpectrometerFeature.h"
#include "device/features/StrayLightCoeffsFeature.h"
#include "device/models/FBPDevice.h"
#include "device/models/FBPModels.h"
#include "device/models/LegacyDevice.h"
#include "device/models/LegacyModels.h"
#include "device/support/MessageOf.h"
#include "integration/SimulatedUnits.h"
#include "sim/BenchConfig.h"
#include "sim/SimBench.h"
#include "sim/transports/PseudoTerminalUnit.h"
#include "sim/transports/TcpUnitServer.h"

namespace spectro::test {
namespace {

// Pixel j of spectrum n (counted from the unit's opening) of the bench pattern "ramp16".
std::uint16_t ramp16(std::uint64_t n, std::size_t j) {
    return static_cast<std::uint16_t>((40503 * (n + 1) + 1031 * j) % 65536);
}

std::unique_ptr<Device> deviceOf(const FBPModelRow& row) {
    if (&row == &models::ventana()) return std::make_unique<Ventana>();
    return std::make_unique<FBPDevice>(row);
}

std::string oneUnitBench(const std::string& model, const std::string& serial,
                         const std::string& extra = "") {
    return R"({"timing": "fast", "trigger": null, "devices": [{"model": ")" + model +
           R"(", "serial": ")" + serial + R"(", "pattern": "ramp16")" + extra + "}]}";
}

// What the host makes of word w: the Blaze rescales to the saturation level its unit reports.
double formatted(const FBPModelRow& row, std::uint16_t w) {
    if (&row != &models::blaze()) return w;
    const double M = 65535, S = 60000;
    return std::min(M, (w * M) / S);
}

void expectRamp16(const std::vector<double>& spectrum, std::uint64_t n, const FBPModelRow& row) {
    for (std::size_t j = 0; j < spectrum.size(); ++j) {
        if (spectrum[j] != formatted(row, ramp16(n, j))) {
            ADD_FAILURE() << "spectrum " << n << " pixel " << j << " is " << spectrum[j];
            return;
        }
    }
}

class FBPModelsOnSimulator : public SimulatedUnits {};

TEST_F(FBPModelsOnSimulator, EveryModelIsIdentifiedConfiguredAndReadOverUSB) {
    for (const FBPModelRow* row : models::fbpModelRows()) {
        SCOPED_TRACE(row->name);
        const std::string serial = "FBP-" + std::to_string(row->productId);
        useBench(oneUnitBench(row->name, serial));
        OpenedUnit unit = open(deviceOf(*row));
        ASSERT_TRUE(unit.device) << "the unit did not open";

        EXPECT_EQ(unit.feature<SerialNumberFeatureInterface>().readSerialNumber(unit.protocol(),
                                                                                unit.bus()),
                  serial);
        auto& spectrometer = unit.feature<SpectrometerFeatureInterface>();
        const auto wavelengths = spectrometer.getWavelengths(unit.protocol(), unit.bus());
        ASSERT_EQ(wavelengths.size(), static_cast<std::size_t>(spectrometer.getNumberOfPixels()));
        EXPECT_TRUE(std::is_sorted(wavelengths.begin(), wavelengths.end()));
        EXPECT_GT(wavelengths.front(), 100.0);
        EXPECT_LT(wavelengths.back(), 1200.0);
        EXPECT_FALSE(unit.feature<NonlinearityCoeffsFeatureInterface>()
                         .getNonlinearityCoefficients(unit.protocol(), unit.bus())
                         .value_or(std::vector<double>{})
                         .empty());
        EXPECT_TRUE(unit.feature<StrayLightCoeffsFeatureInterface>()
                        .getStrayLightCoefficients(unit.protocol(), unit.bus())
                        .has_value());

        // The strict unit refuses an integration time or trigger mode it does not have.
        spectrometer.setIntegrationTimeMicros(
            unit.protocol(), unit.bus(),
            static_cast<std::uint32_t>(spectrometer.getIntegrationTimeMinimum()));
        for (const SpectrometerTriggerMode& mode : spectrometer.getTriggerModes())
            spectrometer.setTriggerMode(unit.protocol(), unit.bus(), mode);
        spectrometer.setTriggerMode(unit.protocol(), unit.bus(), SpectrometerTriggerMode(0));

        const auto spectrum = spectrometer.getSpectrum(unit.protocol(), unit.bus());
        ASSERT_TRUE(spectrum.has_value());
        ASSERT_EQ(spectrum->size(), static_cast<std::size_t>(spectrometer.getNumberOfPixels()));
        expectRamp16(*spectrum, 0, *row);
    }
}

TEST_F(FBPModelsOnSimulator, STSBinningShrinksSpectraAndWavelengthsTogether) {
    useBench(oneUnitBench("STS", "STS00417"));
    OpenedUnit unit = open(deviceOf(models::sts()));
    ASSERT_TRUE(unit.device);
    auto& binning = unit.feature<STSPixelBinningFeature>();
    auto& spectrometer = unit.feature<SpectrometerFeatureInterface>();
    const auto unbinned = spectrometer.getWavelengths(unit.protocol(), unit.bus());

    EXPECT_EQ(binning.getMaxPixelBinningFactor(unit.protocol(), unit.bus()), 3);
    binning.setPixelBinningFactor(unit.protocol(), unit.bus(), 2);
    EXPECT_EQ(binning.getPixelBinningFactor(unit.protocol(), unit.bus()), 2);
    const auto spectrum = spectrometer.getSpectrum(unit.protocol(), unit.bus());
    ASSERT_TRUE(spectrum.has_value());
    ASSERT_EQ(spectrum->size(), 256u);
    expectRamp16(*spectrum, 0, models::sts());
    const auto binned = spectrometer.getWavelengths(unit.protocol(), unit.bus());
    ASSERT_EQ(binned.size(), 256u);
    EXPECT_DOUBLE_EQ(binned[1], (unbinned[4] + unbinned[5] + unbinned[6] + unbinned[7]) / 4);

    EXPECT_EQ(messageOf([&] { binning.setPixelBinningFactor(unit.protocol(), unit.bus(), 4); }),
              "Specified binning factor is not supported.");
    EXPECT_EQ(spectrometer.getNumberOfPixels(), 256);
}

TEST_F(FBPModelsOnSimulator, RefusedSettingsFailInsteadOfPassingForDone) {
    // 0x00110110 trigger mode, 0x00110010 integration time.
    useBench(oneUnitBench("QE-PRO", "QEP01234",
                          R"(, "faults": {"nack_message_types": [1114384, "0x00110010"]})"));
    OpenedUnit unit = open(deviceOf(models::qePro()));
    ASSERT_TRUE(unit.device);
    auto& spectrometer = unit.feature<SpectrometerFeatureInterface>();
    EXPECT_EQ(messageOf([&] {
                  spectrometer.setTriggerMode(unit.protocol(), unit.bus(), SpectrometerTriggerMode(1));
              }),
              "Caught protocol exception: Device refused the trigger mode command.");
    EXPECT_EQ(messageOf([&] {
                  spectrometer.setIntegrationTimeMicros(unit.protocol(), unit.bus(), 20000);
              }),
              "Caught protocol exception: Device refused the integration time command.");
}

TEST_F(FBPModelsOnSimulator, ASerialNumberOfFifteenHundredCharactersStaysInItsBuffers) {
    const std::string serial(1500, 'S');
    useBench(oneUnitBench("STS", serial));
    OpenedUnit unit = open(deviceOf(models::sts()));
    ASSERT_TRUE(unit.device);
    EXPECT_EQ(unit.feature<SerialNumberFeatureInterface>().readSerialNumber(unit.protocol(),
                                                                            unit.bus()),
              serial);
    unit.device.reset();

    // The facade hands out at most its 1024-byte buffer.
    SpectroWrapper& facade = SpectroWrapper::getInstance();
    int code = -1;
    ASSERT_EQ(facade.openSpectrometer(0, &code), 0);
    std::vector<char> buffer(SpectroWrapper::SERIAL_NUMBER_BUFFER + 16, 'x');
    EXPECT_EQ(facade.getSerialNumber(0, &code, buffer.data()), SpectroWrapper::SERIAL_NUMBER_BUFFER);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(std::string(buffer.data(), SpectroWrapper::SERIAL_NUMBER_BUFFER),
              serial.substr(0, SpectroWrapper::SERIAL_NUMBER_BUFFER));
    EXPECT_EQ(buffer[SpectroWrapper::SERIAL_NUMBER_BUFFER], 'x');
    facade.closeSpectrometer(0, &code);
}

// ----- serial line -----

class STSOverSerialLine : public ::testing::Test {
  protected:
    STSOverSerialLine()
        : bench(std::make_shared<sim::SimBench>(sim::parseBench(oneUnitBench("STS", "STS00417")))),
          line(bench->units().front()) {}

    OpenedUnit openLine() {
        return openAt(deviceOf(models::sts()), RS232DeviceLocator(line.path(), 115200));
    }

    std::shared_ptr<sim::SimBench> bench;
    sim::PseudoTerminalUnit line;
};

TEST_F(STSOverSerialLine, IsIdentifiedAndReadOverAPseudoTerminal) {
    OpenedUnit unit = openLine();
    ASSERT_TRUE(unit.device);
    EXPECT_EQ(unit.bus().getBusFamily().getName(), "RS232");
    EXPECT_EQ(unit.feature<SerialNumberFeatureInterface>().readSerialNumber(unit.protocol(),
                                                                            unit.bus()),
              "STS00417");
    auto& spectrometer = unit.feature<SpectrometerFeatureInterface>();
    spectrometer.setIntegrationTimeMicros(unit.protocol(), unit.bus(), 1000);
    for (std::uint64_t n = 0; n < 2; ++n) {
        const auto spectrum = spectrometer.getSpectrum(unit.protocol(), unit.bus());
        ASSERT_TRUE(spectrum.has_value());
        ASSERT_EQ(spectrum->size(), 1024u);
        expectRamp16(*spectrum, n, models::sts());
    }
}

TEST_F(STSOverSerialLine, ATerminalThatClosesMidReadEndsTheRead) {
    OpenedUnit unit = openLine();
    ASSERT_TRUE(unit.device);
    auto& spectrometer = unit.feature<SpectrometerFeatureInterface>();
    line.hangUpAfterReplyBytes(1000);  // part of the 2112-byte spectrum message
    // The hang-up ends the read ("Failed to read any data from RS232." on the bus) instead of
    // leaving it waiting for bytes that can never come.
    EXPECT_EQ(messageOf([&] { spectrometer.getSpectrum(unit.protocol(), unit.bus()); }),
              "Caught protocol exception: Failed to read from bus.");
    // The line stays dead: the next request cannot be written.
    EXPECT_EQ(messageOf([&] { spectrometer.getSpectrum(unit.protocol(), unit.bus()); }),
              "Failed to write to bus.");
}

// ----- TCP -----

std::shared_ptr<sim::SimBench> benchWith(const std::string& model, const std::string& serial) {
    return std::make_shared<sim::SimBench>(sim::parseBench(oneUnitBench(model, serial)));
}

TEST(OverTCP, TheBlazeSpeaksFramedMessagesOverItsConnection) {
    // A serial number long enough for the payload, of a length the USB link would pad: the
    // network link carries it unpadded, and the spectrum after it still lines up.
    auto bench = benchWith("Blaze", "BLZ-0123456789ABC");
    sim::TcpUnitServer server(bench->units().front());
    OpenedUnit unit = openAt(
        deviceOf(models::blaze()), IPv4SocketDeviceLocator("127.0.0.1", server.port()));
    ASSERT_TRUE(unit.device);
    EXPECT_EQ(unit.bus().getBusFamily().getName(), "TCP/IPv4");
    EXPECT_EQ(unit.feature<SerialNumberFeatureInterface>().readSerialNumber(unit.protocol(),
                                                                            unit.bus()),
              "BLZ-0123456789ABC");
    const auto spectrum =
        unit.feature<SpectrometerFeatureInterface>().getSpectrum(unit.protocol(), unit.bus());
    ASSERT_TRUE(spectrum.has_value());
    ASSERT_EQ(spectrum->size(), 2088u);
    expectRamp16(*spectrum, 0, models::blaze());  // scaled to the unit's saturation level
}

TEST(OverTCP, TheJazSpeaksLegacyCommandsOverItsConnection) {
    auto bench = benchWith("Jaz", "JAZ00007");
    sim::TcpUnitServer server(bench->units().front());
    OpenedUnit unit = openAt(
        std::make_unique<LegacyDevice>(models::jaz()),
        IPv4SocketDeviceLocator("127.0.0.1", server.port()));
    ASSERT_TRUE(unit.device);
    EXPECT_EQ(unit.bus().getBusFamily().getName(), "TCP/IPv4");
    // The slot text keeps its terminating zero byte.
    EXPECT_EQ(unit.feature<SerialNumberFeatureInterface>().readSerialNumber(unit.protocol(),
                                                                            unit.bus()),
              std::string("JAZ00007") + '\0');
    const auto spectrum =
        unit.feature<SpectrometerFeatureInterface>().getSpectrum(unit.protocol(), unit.bus());
    ASSERT_TRUE(spectrum.has_value());
    ASSERT_EQ(spectrum->size(), 2048u);
}

TEST(OverTCP, RefusedUnknownAndBrokenConnections) {
    std::uint16_t closedPort = 0;
    {
        auto bench = benchWith("Blaze", "BLZ00042");
        sim::TcpUnitServer gone(bench->units().front());
        closedPort = gone.port();
    }
    // Nobody listens there any more; the open fails and leaves nothing behind.
    EXPECT_FALSE(openAt(deviceOf(models::blaze()),
                                        IPv4SocketDeviceLocator("127.0.0.1", closedPort))
                     .device);
    // A name the resolver refuses without asking anyone (a label of 64 characters).
    EXPECT_FALSE(openAt(deviceOf(models::blaze()),
                                        IPv4SocketDeviceLocator(std::string(64, 'a') + ".invalid",
                                                                4000))
                     .device);

    // A peer that closes mid-reply: the spectrum message arrives short and is refused.
    auto bench = benchWith("Blaze", "BLZ00042");
    sim::TcpUnitServer server(bench->units().front());
    OpenedUnit unit = openAt(
        deviceOf(models::blaze()), IPv4SocketDeviceLocator("127.0.0.1", server.port()));
    ASSERT_TRUE(unit.device);
    server.endConnectionAfterReplyBytes(1000);
    auto& spectrometer = unit.feature<SpectrometerFeatureInterface>();
    // The 1000 bytes that came are refused as a message, never completed with stale bytes.
    EXPECT_EQ(messageOf([&] { spectrometer.getSpectrum(unit.protocol(), unit.bus()); }),
              "Caught protocol exception: Failed to parse message transferred from device");
}

}  // namespace
}  // namespace spectro::test
