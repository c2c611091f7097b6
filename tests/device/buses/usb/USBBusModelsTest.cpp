#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <string>

#include "device/buses/usb/USBBusModels.h"
#include "device/buses/usb/USBTransferHelpers.h"
#include "device/common/Exceptions.h"
#include "device/common/ProtocolHint.h"
#include "device/support/ScriptedUsbFixture.h"
#include "device/support/UsbDescriptorBuilder.h"

namespace spectro::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

const legacyProtocol::ControlHint control;
const legacyProtocol::SpectrumHint spectrum;
const framedBinaryProtocol::FBPControlHint fbpControl;
const framedBinaryProtocol::FBPSpectrumHint fbpSpectrum;

TransferHelper* helperFor(const Bus& bus, const ProtocolHint& hint) {
    return bus.getHelper({&hint});
}

class USBBusModelsTest : public ScriptedUsbFixture {
  protected:
    // Plugs one more unit of the bus's product, and sets the bus's location to it.
    std::shared_ptr<ScriptedUsbUnit> attach(SpectrometerUSBInterface& bus,
                                            std::uint16_t packetSize = 512) {
        auto unit = platform->plug("001-" + std::to_string(++port) + ":002", 0x2457,
                                   static_cast<std::uint16_t>(bus.getProductId()));
        unit->configuration = makeFpgaUsbConfigurationDescriptor(packetSize);
        auto locators = bus.probeDevices();
        EXPECT_FALSE(locators.empty());
        if (!locators.empty()) bus.setLocation(*locators.back());
        return unit;
    }

    int port = 0;
};

struct ModelCase {
    std::string name;
    std::function<std::unique_ptr<SpectrometerUSBInterface>()> create;
    std::int32_t productId;
    std::vector<std::string> resets;
    std::uint8_t out, spectrumIn, controlIn;
    // On a high-speed port the first 2048 bytes of a spectrum come from 0x86.
    bool splitsAtHighSpeed = false;
};

template <class Model>
std::function<std::unique_ptr<SpectrometerUSBInterface>()> make() {
    return [] { return std::make_unique<Model>(); };
}

const std::vector<std::string> fpgaResets = {"clear 0x81", "clear 0x82", "clear 0x01"};

// Every model: its product, the pipes reset after opening, and the endpoints its two helpers
// move bytes on.
const ModelCase modelCases[] = {
    {"HR2000PlusUSB", make<HR2000PlusUSB>(), 0x1016, fpgaResets, 0x01, 0x82, 0x81},
    {"USB2000PlusUSB", make<USB2000PlusUSB>(), 0x101E, fpgaResets, 0x01, 0x82, 0x81},
    {"QE65000USB", make<QE65000USB>(), 0x1018, fpgaResets, 0x01, 0x82, 0x81},
    {"Maya2000ProUSB", make<Maya2000ProUSB>(), 0x102A, fpgaResets, 0x01, 0x82, 0x81},
    {"NIRQuest512USB", make<NIRQuest512USB>(), 0x1026, fpgaResets, 0x01, 0x82, 0x81},
    {"NIRQuest256USB", make<NIRQuest256USB>(), 0x1028, fpgaResets, 0x01, 0x82, 0x81},
    {"TorusUSB", make<TorusUSB>(), 0x1040, fpgaResets, 0x01, 0x82, 0x81},
    {"ApexUSB", make<ApexUSB>(), 0x1044, fpgaResets, 0x01, 0x82, 0x81},
    {"FlameNIRUSB", make<FlameNIRUSB>(), 0x104B, fpgaResets, 0x01, 0x82, 0x81},
    {"HR4000USB",
     make<HR4000USB>(),
     0x1012,
     {"clear 0x81", "clear 0x82", "clear 0x86", "clear 0x01"},
     0x01,
     0x82,
     0x81,
     true},
    {"USB4000USB", make<USB4000USB>(), 0x1022, {}, 0x01, 0x82, 0x81, true},
    {"MayaLSLUSB", make<MayaLSLUSB>(), 0x1046, {}, 0x01, 0x82, 0x81},
    {"Maya2000USB", make<Maya2000USB>(), 0x102C, {}, 0x01, 0x82, 0x81},
    {"HR2000USB",
     make<HR2000USB>(),
     0x100A,
     {"clear 0x87", "clear 0x82", "clear 0x02"},
     0x02,
     0x82,
     0x87},
    {"USB2000USB",
     make<USB2000USB>(),
     0x1002,
     {"clear 0x87", "clear 0x82", "clear 0x02"},
     0x02,
     0x82,
     0x87},
    {"JazUSB",
     make<JazUSB>(),
     0x2000,
     {"clear 0x01", "clear 0x08", "clear 0x81", "clear 0x82"},
     0x01,
     0x82,
     0x81},
    {"STSUSB", make<STSUSB>(), 0x4000, {}, 0x01, 0x81, 0x81},
    {"QEProUSB", make<QEProUSB>(), 0x4004, {}, 0x01, 0x81, 0x81},
    {"SparkUSB", make<SparkUSB>(), 0x4200, {}, 0x01, 0x81, 0x81},
    {"VentanaUSB", make<VentanaUSB>(), 0x5000, {}, 0x01, 0x82, 0x82},
    {"BlazeUSB", make<BlazeUSB>(), 0x2001, {}, 0x01, 0x81, 0x81},
};

std::string hex(std::uint8_t endpoint) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", endpoint);
    return text;
}

TEST_F(USBBusModelsTest, EveryModelResetsItsPipesAndPairsItsEndpoints) {
    for (const ModelCase& c : modelCases) {
        for (std::uint16_t packetSize : {64, 512}) {
            SCOPED_TRACE(c.name + " with " + std::to_string(packetSize) + "-byte packets");
            const bool split = c.splitsAtHighSpeed && packetSize > 64;
            auto bus = c.create();
            EXPECT_EQ(bus->getVendorId(), 0x2457);
            EXPECT_EQ(bus->getProductId(), c.productId);
            auto unit = attach(*bus, packetSize);
            ASSERT_TRUE(bus->open());

            // Legacy and framed-binary hints of one hintID select the same helper.
            TransferHelper* spectrumHelper = helperFor(*bus, spectrum);
            TransferHelper* controlHelper = helperFor(*bus, control);
            ASSERT_NE(spectrumHelper, nullptr);
            ASSERT_NE(controlHelper, nullptr);
            EXPECT_EQ(helperFor(*bus, fbpSpectrum), spectrumHelper);
            EXPECT_EQ(helperFor(*bus, fbpControl), controlHelper);

            std::vector<std::uint8_t> bytes = {0xA1, 0xA2, 0xA3, 0xA4};
            unit->reply(split ? 0x86 : c.spectrumIn, {1, 2, 3, 4});
            unit->reply(c.controlIn, {5, 6, 7, 8});
            EXPECT_EQ(spectrumHelper->send(bytes, 4), 4);
            EXPECT_EQ(spectrumHelper->receive(bytes, 4), 4);
            EXPECT_EQ(controlHelper->send(bytes, 4), 4);
            EXPECT_EQ(controlHelper->receive(bytes, 4), 4);
            EXPECT_THAT(bytes, ElementsAre(5, 6, 7, 8));

            std::vector<std::string> expected = c.resets;
            expected.push_back("write " + hex(c.out) + " A1 A2 A3 A4");
            // A 4-byte spectrum read at high speed is the whole first block and nothing more.
            expected.push_back(split ? "read 0x86 2048" : "read " + hex(c.spectrumIn) + " 4");
            expected.push_back("write " + hex(c.out) + " 01 02 03 04");
            expected.push_back("read " + hex(c.controlIn) + " 4");
            EXPECT_THAT(unit->describeEvents(), ElementsAreArray(expected));
        }
    }
}

TEST_F(USBBusModelsTest, HighSpeed4000SeriesReadsTheFirstBlockFromTheSecondSpectrumEndpoint) {
    for (bool hr4000 : {true, false}) {
        std::unique_ptr<SpectrometerUSBInterface> bus;
        if (hr4000)
            bus = std::make_unique<HR4000USB>();
        else
            bus = std::make_unique<USB4000USB>();
        auto unit = attach(*bus, 512);
        ASSERT_TRUE(bus->open());
        unit->events.clear();

        std::vector<std::uint8_t> frame(7681);
        std::iota(frame.begin(), frame.end(), std::uint8_t{0});
        unit->reply(0x86, {frame.begin(), frame.begin() + 2048});
        unit->reply(0x82, {frame.begin() + 2048, frame.end()});
        std::vector<std::uint8_t> received(7681);
        EXPECT_EQ(helperFor(*bus, spectrum)->receive(received, 7681), 7681);
        EXPECT_EQ(received, frame);
        EXPECT_THAT(unit->describeEvents(), ElementsAre("read 0x86 2048", "read 0x82 5633"));
    }
}

TEST_F(USBBusModelsTest, FullSpeed4000SeriesReadsSpectraFromTheSpectrumEndpointOnly) {
    HR4000USB bus;
    auto unit = attach(bus, 64);
    ASSERT_TRUE(bus.open());
    unit->events.clear();
    unit->reply(0x82, std::vector<std::uint8_t>(7681, 0x69));
    std::vector<std::uint8_t> received(7681);
    EXPECT_EQ(helperFor(bus, spectrum)->receive(received, 7681), 7681);
    EXPECT_THAT(unit->describeEvents(), ElementsAre("read 0x82 7681"));
}

TEST_F(USBBusModelsTest, OnlyTheFirstHintOfTheListIsConsulted) {
    HR2000PlusUSB bus;
    attach(bus);
    ASSERT_TRUE(bus.open());
    EXPECT_EQ(bus.getHelper({&control, &spectrum}), helperFor(bus, control));
    EXPECT_EQ(bus.getHelper({&spectrum, &control}), helperFor(bus, spectrum));
    EXPECT_NE(helperFor(bus, control), helperFor(bus, spectrum));
    const ProtocolHint other(1002, "Other transfer");
    EXPECT_EQ(bus.getHelper({&other, &control}), nullptr);
    EXPECT_EQ(bus.getHelper({}), nullptr);
}

TEST_F(USBBusModelsTest, NoHelperBeforeASuccessfulOpen) {
    HR2000PlusUSB bus;
    EXPECT_FALSE(bus.open());  // no location yet
    EXPECT_EQ(bus.getUSB(), nullptr);

    auto unit = attach(bus);
    unit->openable = false;
    CaptureStdout();
    EXPECT_FALSE(bus.open());
    EXPECT_EQ(GetCapturedStdout(), "Could not open device with ID " +
                                       std::to_string(bus.getUSB()->getDeviceID()) +
                                       ". error=-1\n");
    EXPECT_EQ(helperFor(bus, control), nullptr);
    EXPECT_EQ(helperFor(bus, spectrum), nullptr);
    EXPECT_TRUE(unit->events.empty());
}

class SerialLocator : public DeviceLocatorInterface {
  public:
    unsigned long getUniqueLocation() const override { return 0; }
    bool equals(const DeviceLocatorInterface&) const override { return false; }
    std::string getDescription() const override { return "COM1"; }
    BusFamily getBusFamily() const override { return BusFamilies().RS232; }
    std::unique_ptr<DeviceLocatorInterface> clone() const override {
        return std::make_unique<SerialLocator>();
    }
};

TEST_F(USBBusModelsTest, LocatorOfAnotherBusFamilyIsRefused) {
    HR2000PlusUSB bus;
    try {
        bus.setLocation(SerialLocator());
        FAIL() << "no exception";
    } catch (const IllegalArgumentException& e) {
        EXPECT_STREQ(e.what(), "Invalid bus on device locator.");
    }
    EXPECT_EQ(bus.getLocation(), nullptr);
    EXPECT_EQ(bus.getUSB(), nullptr);
}

TEST_F(USBBusModelsTest, NewLocationClosesTheUnitAndDropsTheHelpersOfTheEarlierOpening) {
    HR2000PlusUSB bus;
    auto first = attach(bus);
    ASSERT_TRUE(bus.open());
    ASSERT_NE(helperFor(bus, control), nullptr);

    auto second = attach(bus);  // sets the location to the second unit
    EXPECT_EQ(first->liveConnections, 0);
    EXPECT_FALSE(bus.getUSB()->isOpened());
    EXPECT_EQ(bus.getLocation()->getUniqueLocation(), bus.getUSB()->getDeviceID());
    EXPECT_EQ(helperFor(bus, control), nullptr);
    EXPECT_EQ(helperFor(bus, spectrum), nullptr);

    ASSERT_TRUE(bus.open());
    std::vector<std::uint8_t> command = {0x09};
    helperFor(bus, spectrum)->send(command, 1);
    EXPECT_THAT(second->describeEvents(),
                ElementsAre("clear 0x81", "clear 0x82", "clear 0x01", "write 0x01 09"));
}

TEST_F(USBBusModelsTest, CloseKeepsTheHelpersWhoseTransfersThenFail) {
    HR2000PlusUSB bus;
    auto unit = attach(bus);
    ASSERT_TRUE(bus.open());
    bus.close();
    EXPECT_EQ(unit->liveConnections, 0);
    TransferHelper* helper = helperFor(bus, control);
    ASSERT_NE(helper, nullptr);
    std::vector<std::uint8_t> command = {0x09};
    try {
        helper->send(command, 1);
        FAIL() << "no exception";
    } catch (const BusTransferException& e) {
        EXPECT_STREQ(e.what(), "Failed to write any data to USB.");
    }
}

TEST_F(USBBusModelsTest, DestroyingAnOpenBusClosesItsUnit) {
    auto bus = std::make_unique<STSUSB>();
    auto unit = attach(*bus);
    ASSERT_TRUE(bus->open());
    EXPECT_EQ(unit->liveConnections, 1);
    bus.reset();
    EXPECT_EQ(unit->liveConnections, 0);
}

TEST_F(USBBusModelsTest, ProbeListsOneLocatorPerUnitOfTheModelInTableOrder) {
    platform->plug("001-1:002", 0x2457, 0x1016);
    platform->plug("001-2:003", 0x2457, 0x102A);
    platform->plug("001-3:004", 0x2457, 0x1016);
    HR2000PlusUSB bus;
    const auto locators = bus.probeDevices();
    const auto ids = listUSBDeviceIds(0x2457, 0x1016);
    ASSERT_EQ(locators.size(), 2u);
    for (std::size_t i = 0; i < locators.size(); ++i) {
        EXPECT_EQ(locators[i]->getUniqueLocation(), static_cast<unsigned long>(ids[i]));
        EXPECT_TRUE(locators[i]->getBusFamily().equals(USBBusFamily()));
    }
}

}  // namespace
}  // namespace spectro::test
