// The facade opens the index-th attached unit in the factory's model order.

#include <gtest/gtest.h>

#include <string>

#include "device/api/SpectroWrapper.h"
#include "integration/SimulatedUnits.h"

namespace spectro::test {
namespace {

class FacadeDiscovery : public SimulatedUnits {
  protected:
    void TearDown() override {
        for (int i = 0; i < SpectroWrapper::SLOT_COUNT; ++i) facade.closeSpectrometer(i, nullptr);
        SimulatedUnits::TearDown();
    }

    std::string modelIn(int slot) {
        char buffer[SpectroWrapper::MODEL_NAME_BUFFER];
        int code = -1;
        facade.getModelName(slot, &code, buffer);
        return buffer;
    }
    std::string serialIn(int slot) {
        char buffer[SpectroWrapper::SERIAL_NUMBER_BUFFER];
        int code = -1;
        const int length = facade.getSerialNumber(slot, &code, buffer);
        EXPECT_EQ(code, 0);
        return std::string(buffer, static_cast<std::size_t>(std::max(length, 0)));
    }

    SpectroWrapper& facade = SpectroWrapper::getInstance();
};

TEST_F(FacadeDiscovery, SlotsFollowTheFactoryOrder) {
    // Listed on the bus with the Maya2000Pro first; "HR2000Plus" still comes first.
    useBench(R"({"timing": "fast", "devices": [
        {"model": "Maya2000Pro", "serial": "MAYP1"},
        {"model": "HR2000+", "serial": "HR1"},
        {"model": "HR2000+", "serial": "HR2"}]})");
    int code = -1;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(facade.openSpectrometer(i, &code), 0) << i;
        EXPECT_EQ(code, 0) << i;
    }
    EXPECT_EQ(modelIn(0), "HR2000PLUS");
    EXPECT_EQ(modelIn(1), "HR2000PLUS");
    EXPECT_EQ(modelIn(2), "MAYA2000PRO");
    // The slot's text keeps the slot's terminating zero.
    EXPECT_EQ(serialIn(0), std::string("HR1\0", 4));
    EXPECT_EQ(serialIn(1), std::string("HR2\0", 4));
    EXPECT_EQ(serialIn(2), std::string("MAYP1\0", 6));

    EXPECT_EQ(facade.openSpectrometer(3, &code), 1);
    EXPECT_EQ(code, 2);
    EXPECT_EQ(modelIn(3), "NONE");
}

TEST_F(FacadeDiscovery, NothingAttachedOpensNothing) {
    useBench(R"({"devices": []})");
    int code = -1;
    EXPECT_EQ(facade.openSpectrometer(0, &code), 1);
    EXPECT_EQ(code, 2);
    EXPECT_EQ(facade.openSpectrometer(0, nullptr), 1);
}

}  // namespace
}  // namespace spectro::test
