#include <gtest/gtest.h>

#include <typeinfo>

#include "device/common/DataVectors.h"
#include "device/common/DeviceLocator.h"
#include "device/common/Exceptions.h"
#include "device/common/Feature.h"
#include "device/common/Protocol.h"
#include "device/support/Scripted.h"

namespace spectro {
namespace {

using test::TestProtocol;

TEST(Exceptions, KindsDeriveFromTheStandardKinds) {
    EXPECT_THROW(throw BusTransferException("x"), BusException);
    EXPECT_THROW(throw BusConnectException("x"), std::runtime_error);
    EXPECT_THROW(throw SocketTimeoutException("x"), SocketException);
    EXPECT_THROW(throw SocketTimeoutException("x"), BusException);
    EXPECT_THROW(throw ProtocolBusMismatchException("x"), ProtocolException);
    EXPECT_THROW(throw ProtocolFormatException("x"), ProtocolException);
    EXPECT_THROW(throw ProtocolException("x"), std::runtime_error);
    EXPECT_THROW(throw FeatureControlException("x"), FeatureException);
    EXPECT_THROW(throw FeatureProtocolNotFoundException("x"), FeatureException);
    EXPECT_THROW(throw FeatureException("x"), std::runtime_error);
    EXPECT_THROW(throw IllegalArgumentException("x"), std::invalid_argument);
    EXPECT_THROW(throw NumberFormatException("x"), std::runtime_error);
    EXPECT_STREQ(FeatureException("text").what(), "text");
}

TEST(Protocols, IdentitiesAndFamilies) {
    legacyProtocol::LegacyProtocol legacy;
    framedBinaryProtocol::FramedBinaryProtocol fbp;
    EXPECT_EQ(legacy.getID(), 1000);
    EXPECT_EQ(legacy.getProtocolFamily().getName(), "LegacyUSB");
    EXPECT_EQ(fbp.getID(), 2000);
    EXPECT_EQ(fbp.getProtocolFamily().getType(), 3);
}

TEST(DataVectors, HoldCopiesAndOneDimension) {
    std::vector<std::uint16_t> values{1, 2, 3};
    UShortVector vector(values);
    values[0] = 9;
    EXPECT_EQ(vector.getValues(), (std::vector<std::uint16_t>{1, 2, 3}));
    EXPECT_EQ(vector.getNumberOfDimensions(), 1);
    EXPECT_EQ(vector.getUnits(), nullptr);
    EXPECT_EQ(Data().getNumberOfDimensions(), 0);

    std::unique_ptr<Data> data = std::make_unique<DoubleVector>(std::vector<double>{1.5});
    EXPECT_NE(dynamic_cast<DoubleVector*>(data.get()), nullptr);
    EXPECT_EQ(dynamic_cast<ByteVector*>(data.get()), nullptr);
    EXPECT_EQ(U32Vector(std::vector<std::uint32_t>{7}).getValues().at(0), 7u);
}

TEST(USBDeviceLocator, DescriptionAndEquality) {
    USBDeviceLocator ten(10);
    EXPECT_EQ(ten.getDescription(), "USB:0x0A");
    EXPECT_EQ(USBDeviceLocator(0x1234).getDescription(), "USB:0x1234");
    EXPECT_EQ(ten.getUniqueLocation(), 10u);
    EXPECT_TRUE(ten.getBusFamily().equals(USBBusFamily()));
    EXPECT_TRUE(ten.equals(USBDeviceLocator(10)));
    EXPECT_FALSE(ten.equals(USBDeviceLocator(11)));

    auto copy = ten.clone();
    EXPECT_TRUE(copy->equals(ten));
    EXPECT_EQ(typeid(*copy), typeid(USBDeviceLocator));
}

TEST(USBDeviceLocator, OtherClassesAreNeverEqual) {
    class OtherLocator : public USBDeviceLocator {
      public:
        using USBDeviceLocator::USBDeviceLocator;
    };
    EXPECT_FALSE(USBDeviceLocator(3).equals(OtherLocator(3)));
}

// Implementations of a made-up protocol interface.
class EchoInterface {
  public:
    virtual ~EchoInterface() = default;
    virtual int echo(int value) = 0;
};

class EchoImplementation : public EchoInterface, public ProtocolHelper {
  public:
    explicit EchoImplementation(int id, int offset = 0)
        : ProtocolHelper(std::make_unique<TestProtocol>(id)), offset(offset) {}
    int echo(int value) override {
        if (value < 0) throw ProtocolException("negative");
        return value + offset;
    }
    int offset;
};

class NotEcho : public ProtocolHelper {
  public:
    explicit NotEcho(int id) : ProtocolHelper(std::make_unique<TestProtocol>(id)) {}
};

class EchoFeature : public FeatureImpl {
  public:
    using FeatureImpl::addProtocolHelper;
    FeatureFamily getFeatureFamily() override { return api::FeatureFamilies().UNDEFINED; }
    int echo(const Protocol& protocol, int value) {
        return forward<EchoInterface>(protocol,
                                      "Could not find matching protocol implementation to echo.",
                                      [&](auto& impl) { return impl.echo(value); });
    }
    int echoPlain(const Protocol& protocol, int value) {
        return forwardPlain<EchoInterface>(protocol, [&](auto& impl) { return impl.echo(value); });
    }
};

TEST(FeatureImpl, FindsTheFirstHelperOfTheProtocolId) {
    EchoFeature feature;
    feature.addProtocolHelper(std::make_unique<EchoImplementation>(2000, 100));
    feature.addProtocolHelper(std::make_unique<EchoImplementation>(1000, 10));
    feature.addProtocolHelper(std::make_unique<EchoImplementation>(1000, 20));
    legacyProtocol::LegacyProtocol legacy;
    EXPECT_EQ(feature.echo(legacy, 1), 11);
    EXPECT_EQ(&feature.findProtocolHelper(legacy).getProtocol(),
              &feature.findProtocolHelper(TestProtocol(1000)).getProtocol());
}

TEST(FeatureImpl, NoMatchingHelperThrowsTheGenericMessage) {
    EchoFeature feature;
    feature.addProtocolHelper(std::make_unique<EchoImplementation>(2000));
    try {
        feature.findProtocolHelper(legacyProtocol::LegacyProtocol());
        FAIL();
    } catch (const FeatureProtocolNotFoundException& e) {
        EXPECT_STREQ(e.what(), "Could not find matching protocol implementation.");
    }
}

TEST(FeatureImpl, ForwardingRenamesTheMissingImplementationAndWrapsProtocolErrors) {
    EchoFeature feature;
    feature.addProtocolHelper(std::make_unique<EchoImplementation>(1000));
    feature.addProtocolHelper(std::make_unique<NotEcho>(3000));
    try {
        feature.echo(TestProtocol(2000), 1);
        FAIL();
    } catch (const FeatureProtocolNotFoundException& e) {
        EXPECT_STREQ(e.what(), "Could not find matching protocol implementation to echo.");
    }
    // A helper of the right id that lacks the interface is no implementation either.
    EXPECT_THROW(feature.echo(TestProtocol(3000), 1), FeatureProtocolNotFoundException);
    try {
        feature.echo(TestProtocol(1000), -1);
        FAIL();
    } catch (const FeatureControlException& e) {
        EXPECT_STREQ(e.what(), "Caught protocol exception: negative");
    }
    EXPECT_THROW(feature.echoPlain(TestProtocol(1000), -1), ProtocolException);
}

TEST(FeatureImpl, PlainForwardingKeepsTheGenericMissingImplementationMessage) {
    EchoFeature feature;
    feature.addProtocolHelper(std::make_unique<EchoImplementation>(1000, 5));
    feature.addProtocolHelper(std::make_unique<NotEcho>(3000));
    EXPECT_EQ(feature.echoPlain(TestProtocol(1000), 1), 6);
    for (int id : {2000, 3000}) {  // no helper of the id; a helper without the interface
        try {
            feature.echoPlain(TestProtocol(id), 1);
            ADD_FAILURE() << id;
        } catch (const FeatureProtocolNotFoundException& e) {
            EXPECT_STREQ(e.what(), "Could not find matching protocol implementation.") << id;
        }
    }
}

TEST(FeatureImpl, InitializeDoesNothingAndSucceeds) {
    EchoFeature feature;
    test::ScriptedBus bus;
    EXPECT_TRUE(feature.initialize(TestProtocol(1), bus));
    EXPECT_TRUE(bus.helper().operations().empty());
}

TEST(FeatureImpl, RefusesAMissingImplementation) {
    EchoFeature feature;
    EXPECT_THROW(feature.addProtocolHelper(nullptr), IllegalArgumentException);
}

}  // namespace
}  // namespace spectro
