#include "device/protocols/fbp/FBPIdentityProtocols.h"

#include "device/protocols/fbp/FBPCatalogue.h"
#include "device/protocols/fbp/FBPProtocolSupport.h"

namespace spectro::framedBinaryProtocol {

namespace {

using namespace support;

// These reads share the temperature wording, which callers already know.
const char* const NO_VALUE =
    "Expected Transfer::transfer to produce a non-null result containing temperature.  Without "
    "this data, it is not possible to continue.";

template <class Query>
std::string benchText(const Bus& bus) {
    Query query;
    return textOf(ask(bus, query).value_or(Bytes{}));
}

// A missing or short reply reads as 0.
template <class Query>
std::uint16_t benchSize(const Bus& bus) {
    Query query;
    const std::optional<Bytes> reply = ask(bus, query);
    if (!reply || reply->size() < 2) return 0;
    return readU16(reply->data());
}

}  // namespace

FBPSerialNumberProtocol::FBPSerialNumberProtocol()
    : ProtocolHelper(std::make_unique<FramedBinaryProtocol>()) {}

std::string FBPSerialNumberProtocol::readSerialNumber(const Bus& bus) {
    FBPGetSerialNumberExchange query;
    std::optional<Bytes> reply = ask(bus, query);
    if (!reply) {
        throw ProtocolException(
            "Expected queryDevice to produce a non-null result containing a serial number.  "
            "Without this data, it is not possible to continue.");
    }
    return textOf(*reply);
}

std::uint8_t FBPSerialNumberProtocol::readSerialNumberMaximumLength(const Bus& bus) {
    FBPGetSerialNumberMaximumLengthExchange query;
    return askAtLeast(bus, query, 1, NO_VALUE)[0];
}

FBPRevisionProtocol::FBPRevisionProtocol()
    : ProtocolHelper(std::make_unique<FramedBinaryProtocol>()) {}

std::uint8_t FBPRevisionProtocol::readHardwareRevision(const Bus& bus) {
    FBPGetHardwareRevisionExchange query;
    return askAtLeast(bus, query, 1, NO_VALUE)[0];
}

std::uint16_t FBPRevisionProtocol::readFirmwareRevision(const Bus& bus) {
    FBPGetFirmwareRevisionExchange query;
    return readU16(askAtLeast(bus, query, 2, NO_VALUE).data());
}

FBPOpticalBenchProtocol::FBPOpticalBenchProtocol()
    : ProtocolHelper(std::make_unique<FramedBinaryProtocol>()) {}

std::string FBPOpticalBenchProtocol::readOpticalBenchID(const Bus& bus) {
    return benchText<FBPGetOpticalBenchIDExchange>(bus);
}

std::string FBPOpticalBenchProtocol::readOpticalBenchSerialNumber(const Bus& bus) {
    return benchText<FBPGetOpticalBenchSerialNumberExchange>(bus);
}

std::uint16_t FBPOpticalBenchProtocol::readOpticalBenchSlitWidthMicrons(const Bus& bus) {
    return benchSize<FBPGetOpticalBenchSlitWidthMicronsExchange>(bus);
}

std::uint16_t FBPOpticalBenchProtocol::readOpticalBenchFiberDiameterMicrons(const Bus& bus) {
    return benchSize<FBPGetOpticalBenchFiberDiameterMicronsExchange>(bus);
}

std::string FBPOpticalBenchProtocol::readOpticalBenchGrating(const Bus& bus) {
    return benchText<FBPGetOpticalBenchGratingExchange>(bus);
}

std::string FBPOpticalBenchProtocol::readOpticalBenchFilter(const Bus& bus) {
    return benchText<FBPGetOpticalBenchFilterExchange>(bus);
}

std::string FBPOpticalBenchProtocol::readOpticalBenchCoating(const Bus& bus) {
    return benchText<FBPGetOpticalBenchCoatingExchange>(bus);
}

}  // namespace spectro::framedBinaryProtocol
