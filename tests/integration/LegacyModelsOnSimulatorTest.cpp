// The device library against simulated units: every legacy model opened through its USB bus
// and read the way the program reads it. The units are written from the wire format alone, so
// a misread format shows here as wrong values, not as a plausible answer.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "device/api/ExtraFeaturesCollection.h"
#include "device/buses/usb/SpectrometerUSBInterface.h"
#include "device/buses/usb/platform/USBDeviceTable.h"
#include "device/common/Exceptions.h"
#include "device/features/NonlinearityCoeffsFeature.h"
#include "device/features/SerialNumberFeature.h"
#include "device/features/SpectrometerFeature.h"
#include "device/features/StrayLightCoeffsFeature.h"
#include "device/models/LegacyDevice.h"
#include "device/models/LegacyModels.h"
#include "integration/SimulatedUnits.h"

namespace spectro::test {
namespace {

// Pixel j of spectrum n (counted from the unit's opening) of the bench pattern "ramp16".
std::uint16_t ramp16(std::uint64_t n, std::size_t j) {
    return static_cast<std::uint16_t>((40503 * (n + 1) + 1031 * j) % 65536);
}

// The saturation levels the simulated units keep in information slot 17.
double saturationOf(const LegacyModelRow& row) {
    switch (row.gainReference) {
        case GainReference::SaturationSlot:
            return 62000;
        case GainReference::SaturationSlotMayaPro:
        case GainReference::SaturationSlotNIRQuest:
            return 60000;
        case GainReference::None:
            break;
    }
    return row.spectrometer.maxIntensity;
}

// What the host must make of a ramp16 word in the model's format.
double decoded(const LegacyModelRow& row, std::uint16_t word) {
    const double M = row.spectrometer.maxIntensity;
    const double S = saturationOf(row);
    switch (row.format) {
        case LegacySpectrumFormat::Legacy2K:
            return word & 0x0FFF;
        case LegacySpectrumFormat::HRFPGA:
        case LegacySpectrumFormat::FPGA:
        case LegacySpectrumFormat::QE:
            return word;
        case LegacySpectrumFormat::MayaPro:
            return std::min(M, word * (M / S));
        case LegacySpectrumFormat::USBFPGA:
        case LegacySpectrumFormat::NIRQuest:
        case LegacySpectrumFormat::Jaz:
        case LegacySpectrumFormat::FlameNIR:
            return std::min(M, (word * M) / S);
    }
    return -1;
}

class LegacyModelsOnSimulator : public SimulatedUnits {};

TEST_F(LegacyModelsOnSimulator, EveryModelIsIdentifiedConfiguredAndRead) {
    for (const LegacyModelRow* row : models::legacyModelRows()) {
        SCOPED_TRACE(row->name);
        const std::string serial = "SIM-" + std::to_string(row->productId);
        useBench(R"({"timing": "fast", "trigger": null, "devices": [{"model": ")" + row->name +
                 R"(", "serial": ")" + serial + R"(", "pattern": "ramp16"}]})");
        OpenedUnit unit = open(*row);
        ASSERT_TRUE(unit.device) << "the unit did not open";

        auto& serialNumber = unit.feature<SerialNumberFeatureInterface>();
        // The slot text keeps its terminating zero byte.
        EXPECT_EQ(serialNumber.readSerialNumber(unit.protocol(), unit.bus()), serial + std::string(1, '\0'));

        auto& spectrometer = unit.feature<SpectrometerFeatureInterface>();
        const std::vector<double> wavelengths = spectrometer.getWavelengths(unit.protocol(), unit.bus());
        ASSERT_EQ(wavelengths.size(), static_cast<std::size_t>(row->spectrometer.numberOfPixels));
        EXPECT_TRUE(std::is_sorted(wavelengths.begin(), wavelengths.end()));
        EXPECT_GT(wavelengths.front(), 100.0);
        EXPECT_LT(wavelengths.back(), 3000.0);

        const auto nonlinearity = unit.feature<NonlinearityCoeffsFeatureInterface>()
                                      .getNonlinearityCoefficients(unit.protocol(), unit.bus());
        ASSERT_TRUE(nonlinearity.has_value());
        EXPECT_DOUBLE_EQ(nonlinearity->at(0), 0.95);
        const auto strayLight = unit.feature<StrayLightCoeffsFeatureInterface>()
                                    .getStrayLightCoefficients(unit.protocol(), unit.bus());
        ASSERT_TRUE(strayLight.has_value());
        EXPECT_DOUBLE_EQ(strayLight->at(0), 0.25);

        // The unit refuses what its model does not have, so these would fail if a byte were
        // misplaced.
        spectrometer.setIntegrationTimeMicros(unit.protocol(), unit.bus(),
                                              static_cast<std::uint32_t>(row->spectrometer.integrationTimeMinimum));
        for (std::int32_t mode : row->spectrometer.triggerModes)
            spectrometer.setTriggerMode(unit.protocol(), unit.bus(), SpectrometerTriggerMode(mode));
        spectrometer.setTriggerMode(unit.protocol(), unit.bus(), SpectrometerTriggerMode(0));

        const auto spectrum = spectrometer.getSpectrum(unit.protocol(), unit.bus());
        ASSERT_TRUE(spectrum.has_value());
        ASSERT_EQ(spectrum->size(), static_cast<std::size_t>(row->spectrometer.numberOfPixels));
        std::size_t wrong = 0;
        for (std::size_t j = 0; j < spectrum->size(); ++j)
            if ((*spectrum)[j] != decoded(*row, ramp16(0, j))) ++wrong;
        EXPECT_EQ(wrong, 0u) << "pixel 1 is " << (*spectrum)[1] << ", expected "
                             << decoded(*row, ramp16(0, 1));
        close();
    }
}

TEST_F(LegacyModelsOnSimulator, FourThousandSeriesReadAtBothSpeeds) {
    for (bool highSpeed : {true, false}) {
        for (const LegacyModelRow* row : {&models::hr4000(), &models::usb4000()}) {
            SCOPED_TRACE(row->name + (highSpeed ? " high speed" : " full speed"));
            useBench(R"({"timing": "fast", "devices": [{"model": ")" + row->name +
                     R"(", "serial": "S1", "pattern": "ramp16", "high_speed": )" +
                     (highSpeed ? "true" : "false") + "}]}");
            OpenedUnit unit = open(*row);
            ASSERT_TRUE(unit.device);
            auto& spectrometer = unit.feature<SpectrometerFeatureInterface>();
            for (std::uint64_t n = 0; n < 2; ++n) {
                const auto spectrum = spectrometer.getSpectrum(unit.protocol(), unit.bus());
                ASSERT_TRUE(spectrum.has_value());
                for (std::size_t j : {std::size_t{0}, std::size_t{1023}, std::size_t{1024},
                                      std::size_t{3647}})
                    EXPECT_EQ((*spectrum)[j], decoded(*row, ramp16(n, j))) << n << " " << j;
            }
            close();
        }
    }
}

}  // namespace
}  // namespace spectro::test
