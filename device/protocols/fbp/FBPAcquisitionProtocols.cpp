#include "device/protocols/fbp/FBPAcquisitionProtocols.h"

#include "device/protocols/fbp/FBPProtocolSupport.h"

namespace spectro::framedBinaryProtocol {

namespace {

using namespace support;

const char* const NO_BINNING_FACTOR =
    "Expected queryDevice to produce a non-empty result containing a pixel binning factor.  "
    "Without this data, it is not possible to continue.";
const char* const ENABLE_REJECTED =
    "Device rejected the enable command.  Is it supported on this hardware?";
const char* const SETPOINT_REJECTED = "Device rejected the setpoint.  Was it out of bounds?";

std::uint8_t flag(bool on) { return on ? 1 : 0; }

template <class Query>
std::uint8_t binningFactor(const Bus& bus) {
    Query query;
    return askAtLeast(bus, query, 1, NO_BINNING_FACTOR)[0];
}

void checkStrobeIndex(std::uint16_t index) {
    if (index != 0)
        throw ProtocolException("This protocol only supports one continuous strobe generator.");
}

}  // namespace

FBPPixelBinningProtocol::FBPPixelBinningProtocol()
    : ProtocolHelper(std::make_unique<FramedBinaryProtocol>()) {}

std::uint8_t FBPPixelBinningProtocol::readPixelBinningFactor(const Bus& bus) {
    return binningFactor<FBPGetPixelBinningExchange>(bus);
}

void FBPPixelBinningProtocol::writePixelBinningFactor(const Bus& bus, std::uint8_t factor) {
    FBPSetPixelBinningExchange command;
    command.setPayload({factor});
    tellOrThrow(bus, command, ENABLE_REJECTED);
}

std::uint8_t FBPPixelBinningProtocol::readDefaultPixelBinningFactor(const Bus& bus) {
    return binningFactor<FBPGetDefaultPixelBinningExchange>(bus);
}

void FBPPixelBinningProtocol::resetDefaultPixelBinningFactor(const Bus& bus) {
    FBPSetDefaultPixelBinningExchange command;
    command.setPayload({});  // no data at all asks the unit to restore its own default
    tellOrThrow(bus, command, ENABLE_REJECTED);
}

void FBPPixelBinningProtocol::writeDefaultPixelBinningFactor(const Bus& bus, std::uint8_t factor) {
    FBPSetDefaultPixelBinningExchange command;
    command.setPayload({factor});
    tellOrThrow(bus, command, ENABLE_REJECTED);
}

std::uint8_t FBPPixelBinningProtocol::readMaxPixelBinningFactor(const Bus& bus) {
    return binningFactor<FBPGetMaxPixelBinningExchange>(bus);
}

FBPSpectrumProcessingProtocol::FBPSpectrumProcessingProtocol()
    : ProtocolHelper(std::make_unique<FramedBinaryProtocol>()) {}

std::uint8_t FBPSpectrumProcessingProtocol::readBoxcarWidth(const Bus& bus) {
    FBPGetBoxcarWidthExchange query;
    return askAtLeast(bus, query, 1,
                      "Expected queryDevice to produce a non-null result containing a spectrum "
                      "processing boxcar filter width.  Without this data, it is not possible to "
                      "continue.")[0];
}

std::uint16_t FBPSpectrumProcessingProtocol::readScansToAverage(const Bus& bus) {
    FBPGetScansToAverageExchange query;
    return readU16(askAtLeast(bus, query, 2,
                              "Expected queryDevice to produce a non-null result containing a "
                              "spectrum protocol scans to average.  Without this data, it is not "
                              "possible to continue.")
                       .data());
}

void FBPSpectrumProcessingProtocol::writeBoxcarWidth(const Bus& bus, std::uint8_t width) {
    FBPSetBoxcarWidthExchange command;
    command.setPayload({width});
    tellOrThrow(bus, command, SETPOINT_REJECTED);
}

void FBPSpectrumProcessingProtocol::writeScansToAverage(const Bus& bus, std::uint16_t scans) {
    FBPSetScansToAverageExchange command;
    command.setPayload(u16Bytes(scans));
    tellOrThrow(bus, command, SETPOINT_REJECTED);
}

FBPAcquisitionDelayProtocol::FBPAcquisitionDelayProtocol()
    : ProtocolHelper(std::make_unique<FramedBinaryProtocol>()) {}

void FBPAcquisitionDelayProtocol::setAcquisitionDelayMicroseconds(const Bus& bus,
                                                                  std::uint32_t micros) {
    FBPSetAcquisitionDelayExchange command;
    command.setPayload(u32Bytes(micros));
    tellOrThrow(bus, command, "Device rejected acquisition delay command.  Is the value legal?");
}

FBPProgrammableSaturationProtocol::FBPProgrammableSaturationProtocol()
    : ProtocolHelper(std::make_unique<FramedBinaryProtocol>()) {}

std::uint32_t FBPProgrammableSaturationProtocol::getSaturation(const Bus& bus) {
    FBPGetSaturationExchange query;
    return readU32(
        askAtLeast(bus, query, 4, "Got a short read when querying saturation level.").data());
}

FBPContinuousStrobeProtocol::FBPContinuousStrobeProtocol()
    : ProtocolHelper(std::make_unique<FramedBinaryProtocol>()) {}

bool FBPContinuousStrobeProtocol::setContinuousStrobePeriodMicroseconds(const Bus& bus,
                                                                        std::uint16_t index,
                                                                        std::uint32_t period) {
    checkStrobeIndex(index);
    periodExchange.setPayload(u32Bytes(period));
    return tell(bus, periodExchange);
}

bool FBPContinuousStrobeProtocol::setContinuousStrobeEnable(const Bus& bus, std::uint16_t index,
                                                            bool enable) {
    checkStrobeIndex(index);
    enableExchange.setPayload({flag(enable)});
    return tell(bus, enableExchange);
}

FBPShutterProtocol::FBPShutterProtocol()
    : ProtocolHelper(std::make_unique<FramedBinaryProtocol>()) {}

bool FBPShutterProtocol::setShutterOpen(const Bus& bus, bool open) {
    shutterExchange.setPayload({flag(open)});
    return tell(bus, shutterExchange);
}

FBPStrobeLampProtocol::FBPStrobeLampProtocol()
    : ProtocolHelper(std::make_unique<FramedBinaryProtocol>()) {}

void FBPStrobeLampProtocol::setStrobeLampEnable(const Bus& bus, bool enable) {
    FBPLampEnableCommand command;
    command.setPayload({flag(enable)});
    tell(bus, command);  // the unit's acknowledgement is not examined
}

}  // namespace spectro::framedBinaryProtocol
