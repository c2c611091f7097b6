#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "device/api/SpectroWrapper.h"

namespace spectro {
namespace {

std::string messageOf(int code, int bufferLength = 64) {
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    SpectroWrapper::getErrorMessage(code, buffer, bufferLength);
    return buffer;
}

TEST(ErrorMessages, CoverCodesZeroToSevenAndNothingElse) {
    const char* expected[] = {"Success",
                              "Error number undefined",
                              "No device found",
                              "Could not close device",
                              "Feature not implemented",
                              "No such feature on device",
                              "Data transfer error",
                              "Invalid user buffer provided"};
    for (int code = 0; code < 8; ++code) {
        EXPECT_EQ(messageOf(code), expected[code]) << code;
    }
    for (int code : {8, -1, 100, -2147483647 - 1}) {
        EXPECT_EQ(messageOf(code), "Error number undefined") << code;
    }
}

TEST(ErrorMessages, AreCutToTheBuffer) {
    EXPECT_EQ(messageOf(7, 8), "Invalid");
    EXPECT_EQ(messageOf(0, 1), "");
}

TEST(SpectroWrapperWithoutDevices, ReportsEmptySlots) {
    SpectroWrapper& facade = SpectroWrapper::getInstance();
    EXPECT_EQ(&facade, &SpectroWrapper::getInstance());

    int code = -1;
    EXPECT_EQ(facade.openSpectrometer(0, &code), 1);
    EXPECT_EQ(code, 2);

    char name[SpectroWrapper::MODEL_NAME_BUFFER];
    std::memset(name, 'x', sizeof name);
    code = -1;
    EXPECT_EQ(facade.getModelName(0, &code, name), 4);
    EXPECT_EQ(code, 2);
    EXPECT_STREQ(name, "NONE");
    EXPECT_EQ(name[SpectroWrapper::MODEL_NAME_BUFFER - 1], '\0');

    code = -1;
    facade.closeSpectrometer(31, &code);
    EXPECT_EQ(code, 2);
    facade.closeSpectrometer(31, nullptr);  // no code location: nothing stored, no crash

    char serial[SpectroWrapper::SERIAL_NUMBER_BUFFER];
    code = -1;
    EXPECT_EQ(facade.getSerialNumber(5, &code, serial), 0);
    EXPECT_EQ(code, 2);
}

}  // namespace
}  // namespace spectro
