#include <gtest/gtest.h>

#include "device/common/BusFamilies.h"
#include "device/common/FeatureFamilies.h"
#include "device/common/ProtocolFamilies.h"

namespace spectro {
namespace {

TEST(BusFamilies, TableHoldsNamesAndTypesInOrder) {
    const auto all = BusFamilies().getAllBusFamilies();
    const std::vector<std::string> names{"USB", "Ethernet", "RS232", "TCP/IPv4", "UDP/IPv4"};
    ASSERT_EQ(all.size(), names.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].getName(), names[i]);
        EXPECT_TRUE(all[i].equals(BusFamily("other name", static_cast<std::int32_t>(i))));
    }
}

TEST(BusFamilies, EqualityComparesTypesOnly) {
    EXPECT_TRUE(USBBusFamily().equals(BusFamily("not USB", 0)));
    EXPECT_FALSE(USBBusFamily().equals(RS232BusFamily()));
}

TEST(ProtocolFamilies, TableHoldsNamesAndTypesInOrder) {
    const auto all = api::ProtocolFamilies().getAllProtocolFamilies();
    const std::vector<std::pair<std::string, int>> expected{{"Undefined", 0},
                                                            {"LegacyUSB", 2},
                                                            {"FramedBinary", 3},
                                                            {"JazMessaging", 4},
                                                            {"Virtual", 1}};
    ASSERT_EQ(all.size(), expected.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].getName(), expected[i].first);
        EXPECT_EQ(all[i].getType(), expected[i].second);
    }
}

TEST(FeatureFamilies, TableHoldsNamesAndTypesInOrder) {
    const auto all = api::FeatureFamilies().getAllFeatureFamilies();
    const std::vector<std::pair<std::string, int>> expected{{"Undefined", 0},
                                                            {"SerialNumber", 1},
                                                            {"Spectrometer", 2},
                                                            {"ThermoElectric", 3},
                                                            {"IrradianceCalibration", 4},
                                                            {"EEPROM", 5},
                                                            {"LightSource", 13},
                                                            {"StrobeLampEnable", 6},
                                                            {"ContinuousStrobe", 12},
                                                            {"Shutter", 7},
                                                            {"WavelengthCalibration", 8},
                                                            {"NonlinearityCoeffs", 9},
                                                            {"Temperature", 14},
                                                            {"Revision", 16},
                                                            {"OpticalBench", 15},
                                                            {"SpectrumProcessing", 17},
                                                            {"StrayLightCoeffs", 10},
                                                            {"RawUSBBusAccess", 11},
                                                            {"DataBuffer", 18},
                                                            {"AcquisitionDelay", 19},
                                                            {"PixelBinning", 20},
                                                            {"ExtraFeaturesCollection", 21}};
    ASSERT_EQ(all.size(), expected.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].getName(), expected[i].first) << i;
        EXPECT_EQ(all[i].getType(), expected[i].second) << i;
    }
}

TEST(FeatureFamilies, CopiesCompareEqual) {
    FeatureFamily copy = api::FeatureFamilies().SPECTROMETER;
    EXPECT_TRUE(copy.equals(api::SpectrometerFeatureFamily()));
    EXPECT_FALSE(copy.equals(api::FeatureFamilies().SERIAL_NUMBER));
}

}  // namespace
}  // namespace spectro
