#include "device/features/ForwardingFeatures.h"

namespace spectro {

namespace {

const char* const LAMP = "Could not find matching protocol implementation to control lamp.";
const char* const SHUTTER = "Could not find matching protocol implementation to set shutter state.";
const char* const GET_CALIBRATION =
    "Could not find matching protocol implementation to get calibration.";
const char* const READ_AREA =
    "Could not find matching protocol implementation to read collection area.";
const char* const WRITE_AREA =
    "Could not find matching protocol implementation to write collection area.";
const char* const TEMPERATURE =
    "Could not find matching protocol implementation to get temperature.";
const char* const BENCH = "Could not find matching protocol implementation to get serial number.";
const char* const GET_PROCESSING =
    "Could not find matching protocol implementation to get SpectrumProcessing.";
const char* const SET_PROCESSING =
    "Could not find matching protocol implementation to set spectrum processing state.";
const char* const CLEAR_BUFFER =
    "Could not find matching protocol implementation to clear data buffer.";
const char* const BUFFER_CAPACITY =
    "Could not find matching protocol implementation to get data buffer capacity.";
const char* const BUFFER_MAXIMUM =
    "Could not find matching protocol implementation to get data buffer maximum capacity.";
const char* const BUFFER_MINIMUM =
    "Could not find matching protocol implementation to get data buffer minimum capacity.";
const char* const BUFFER_ELEMENTS =
    "Could not find matching protocol implementation to get data buffer element count.";
const char* const SET_BUFFER_CAPACITY =
    "Could not find matching protocol implementation to set data buffer capacity.";

}  // namespace

// ----- strobe/lamp line -----

StrobeLampFeature::StrobeLampFeature(std::unique_ptr<ProtocolHelper> implementation)
    : FeatureImpl(std::move(implementation)) {}

void StrobeLampFeature::setStrobeLampEnable(const Protocol& protocol, const Bus& bus, bool enable) {
    forward<StrobeLampProtocolInterface>(
        protocol, LAMP, [&](auto& strobe) { strobe.setStrobeLampEnable(bus, enable); });
}

FeatureFamily StrobeLampFeature::getFeatureFamily() {
    return api::FeatureFamilies().STROBE_LAMP_ENABLE;
}

// ----- shutter -----

ShutterFeature::ShutterFeature(std::unique_ptr<ProtocolHelper> implementation)
    : FeatureImpl(std::move(implementation)) {}

void ShutterFeature::setShutterOpen(const Protocol& protocol, const Bus& bus, bool open) {
    forward<ShutterProtocolInterface>(protocol, SHUTTER,
                                      [&](auto& shutter) { shutter.setShutterOpen(bus, open); });
}

FeatureFamily ShutterFeature::getFeatureFamily() { return api::FeatureFamilies().SHUTTER; }

// ----- irradiance calibration -----

IrradCalFeature::IrradCalFeature(std::unique_ptr<ProtocolHelper> implementation, int numberOfPixels)
    : FeatureImpl(std::move(implementation)), numberOfPixels(numberOfPixels) {}

std::vector<float> IrradCalFeature::readIrradianceCalibration(const Protocol& protocol,
                                                              const Bus& bus) {
    return forward<IrradCalProtocolInterface>(
        protocol, GET_CALIBRATION, [&](auto& irradCal) { return irradCal.readIrradCal(bus); });
}

int IrradCalFeature::writeIrradianceCalibration(const Protocol& protocol, const Bus& bus,
                                                const std::vector<float>& values) {
    return forwardPlain<IrradCalProtocolInterface>(
        protocol, [&](auto& irradCal) { return irradCal.writeIrradCal(bus, values); });
}

bool IrradCalFeature::hasCollectionArea(const Protocol& protocol, const Bus& bus) {
    return forward<IrradCalProtocolInterface>(
        protocol, GET_CALIBRATION, [&](auto& irradCal) { return irradCal.hasCollectionArea(bus); });
}

double IrradCalFeature::readCollectionArea(const Protocol& protocol, const Bus& bus) {
    return forward<IrradCalProtocolInterface>(
        protocol, READ_AREA, [&](auto& irradCal) { return irradCal.readCollectionArea(bus); });
}

void IrradCalFeature::writeCollectionArea(const Protocol& protocol, const Bus& bus, double area) {
    forward<IrradCalProtocolInterface>(
        protocol, WRITE_AREA, [&](auto& irradCal) { irradCal.writeCollectionArea(bus, area); });
}

FeatureFamily IrradCalFeature::getFeatureFamily() { return api::FeatureFamilies().IRRAD_CAL; }

// ----- temperatures -----

TemperatureFeature::TemperatureFeature(std::unique_ptr<ProtocolHelper> implementation)
    : FeatureImpl(std::move(implementation)) {}

std::uint8_t TemperatureFeature::getTemperatureCount(const Protocol& protocol, const Bus& bus) {
    return forward<TemperatureProtocolInterface>(protocol, TEMPERATURE, [&](auto& temperature) {
        return temperature.countTemperatures(bus);
    });
}

double TemperatureFeature::readTemperature(const Protocol& protocol, const Bus& bus, int index) {
    return forwardPlain<TemperatureProtocolInterface>(
        protocol, [&](auto& temperature) { return temperature.readTemperature(bus, index); });
}

std::optional<std::vector<double>> TemperatureFeature::readAllTemperatures(const Protocol& protocol,
                                                                           const Bus& bus) {
    return forwardPlain<TemperatureProtocolInterface>(
        protocol, [&](auto& temperature) { return temperature.readAllTemperatures(bus); });
}

FeatureFamily TemperatureFeature::getFeatureFamily() { return api::FeatureFamilies().TEMPERATURE; }

// ----- revisions (the not-found text is the temperature feature's, as the device has it) -----

RevisionFeature::RevisionFeature(std::unique_ptr<ProtocolHelper> implementation)
    : FeatureImpl(std::move(implementation)) {}

std::uint8_t RevisionFeature::readHardwareRevision(const Protocol& protocol, const Bus& bus) {
    return forward<RevisionProtocolInterface>(
        protocol, TEMPERATURE, [&](auto& revision) { return revision.readHardwareRevision(bus); });
}

std::uint16_t RevisionFeature::readFirmwareRevision(const Protocol& protocol, const Bus& bus) {
    return forwardPlain<RevisionProtocolInterface>(
        protocol, [&](auto& revision) { return revision.readFirmwareRevision(bus); });
}

FeatureFamily RevisionFeature::getFeatureFamily() { return api::FeatureFamilies().REVISION; }

// ----- optical bench -----

OpticalBenchFeature::OpticalBenchFeature(std::unique_ptr<ProtocolHelper> implementation)
    : FeatureImpl(std::move(implementation)) {}

std::uint16_t OpticalBenchFeature::readFiberDiameterMicrons(const Protocol& protocol,
                                                            const Bus& bus) {
    return forwardPlain<OpticalBenchProtocolInterface>(
        protocol, [&](auto& bench) { return bench.readOpticalBenchFiberDiameterMicrons(bus); });
}

std::uint16_t OpticalBenchFeature::readSlitWidthMicrons(const Protocol& protocol, const Bus& bus) {
    return forwardPlain<OpticalBenchProtocolInterface>(
        protocol, [&](auto& bench) { return bench.readOpticalBenchSlitWidthMicrons(bus); });
}

std::string OpticalBenchFeature::readOpticalBenchID(const Protocol& protocol, const Bus& bus) {
    return forward<OpticalBenchProtocolInterface>(
        protocol, BENCH, [&](auto& bench) { return bench.readOpticalBenchID(bus); });
}

std::string OpticalBenchFeature::readOpticalBenchSerialNumber(const Protocol& protocol,
                                                              const Bus& bus) {
    return forwardPlain<OpticalBenchProtocolInterface>(
        protocol, [&](auto& bench) { return bench.readOpticalBenchSerialNumber(bus); });
}

std::string OpticalBenchFeature::readCoating(const Protocol& protocol, const Bus& bus) {
    return forwardPlain<OpticalBenchProtocolInterface>(
        protocol, [&](auto& bench) { return bench.readOpticalBenchCoating(bus); });
}

std::string OpticalBenchFeature::readFilter(const Protocol& protocol, const Bus& bus) {
    return forwardPlain<OpticalBenchProtocolInterface>(
        protocol, [&](auto& bench) { return bench.readOpticalBenchFilter(bus); });
}

std::string OpticalBenchFeature::readGrating(const Protocol& protocol, const Bus& bus) {
    return forwardPlain<OpticalBenchProtocolInterface>(
        protocol, [&](auto& bench) { return bench.readOpticalBenchGrating(bus); });
}

FeatureFamily OpticalBenchFeature::getFeatureFamily() {
    return api::FeatureFamilies().OPTICAL_BENCH;
}

// ----- on-board spectrum processing -----

SpectrumProcessingFeature::SpectrumProcessingFeature(std::unique_ptr<ProtocolHelper> implementation)
    : FeatureImpl(std::move(implementation)) {}

std::uint8_t SpectrumProcessingFeature::readBoxcarWidth(const Protocol& protocol, const Bus& bus) {
    return forwardPlain<SpectrumProcessingProtocolInterface>(
        protocol, [&](auto& processing) { return processing.readBoxcarWidth(bus); });
}

std::uint16_t SpectrumProcessingFeature::readScansToAverage(const Protocol& protocol,
                                                            const Bus& bus) {
    return forward<SpectrumProcessingProtocolInterface>(
        protocol, GET_PROCESSING,
        [&](auto& processing) { return processing.readScansToAverage(bus); });
}

void SpectrumProcessingFeature::writeBoxcarWidth(const Protocol& protocol, const Bus& bus,
                                                 std::uint8_t width) {
    forwardPlain<SpectrumProcessingProtocolInterface>(
        protocol, [&](auto& processing) { processing.writeBoxcarWidth(bus, width); });
}

void SpectrumProcessingFeature::writeScansToAverage(const Protocol& protocol, const Bus& bus,
                                                    std::uint16_t scans) {
    forward<SpectrumProcessingProtocolInterface>(protocol, SET_PROCESSING, [&](auto& processing) {
        processing.writeScansToAverage(bus, scans);
    });
}

FeatureFamily SpectrumProcessingFeature::getFeatureFamily() {
    return api::FeatureFamilies().SPECTRUM_PROCESSING;
}

// ----- data buffer -----

DataBufferFeatureBase::DataBufferFeatureBase(std::unique_ptr<ProtocolHelper> implementation,
                                             std::uint32_t numberOfBuffers)
    : FeatureImpl(std::move(implementation)), numberOfBuffers(numberOfBuffers) {}

void DataBufferFeatureBase::clearBuffer(const Protocol& protocol, const Bus& bus,
                                        std::uint8_t index) {
    forward<DataBufferProtocolInterface>(protocol, CLEAR_BUFFER,
                                         [&](auto& buffer) { buffer.clearBuffer(bus, index); });
}

std::uint32_t DataBufferFeatureBase::getBufferCapacity(const Protocol& protocol, const Bus& bus,
                                                       std::uint8_t index) {
    return forward<DataBufferProtocolInterface>(protocol, BUFFER_CAPACITY, [&](auto& buffer) {
        return buffer.getBufferCapacity(bus, index);
    });
}

std::uint32_t DataBufferFeatureBase::getBufferCapacityMaximum(const Protocol& protocol,
                                                              const Bus& bus, std::uint8_t index) {
    return forward<DataBufferProtocolInterface>(protocol, BUFFER_MAXIMUM, [&](auto& buffer) {
        return buffer.getBufferCapacityMaximum(bus, index);
    });
}

std::uint32_t DataBufferFeatureBase::getBufferCapacityMinimum(const Protocol& protocol,
                                                              const Bus& bus, std::uint8_t index) {
    return forward<DataBufferProtocolInterface>(protocol, BUFFER_MINIMUM, [&](auto& buffer) {
        return buffer.getBufferCapacityMinimum(bus, index);
    });
}

std::uint32_t DataBufferFeatureBase::getNumberOfElements(const Protocol& protocol, const Bus& bus,
                                                         std::uint8_t index) {
    return forward<DataBufferProtocolInterface>(protocol, BUFFER_ELEMENTS, [&](auto& buffer) {
        return buffer.getNumberOfElements(bus, index);
    });
}

void DataBufferFeatureBase::setBufferCapacity(const Protocol& protocol, const Bus& bus,
                                              std::uint8_t index, std::uint32_t capacity) {
    forward<DataBufferProtocolInterface>(protocol, SET_BUFFER_CAPACITY, [&](auto& buffer) {
        buffer.setBufferCapacity(bus, index, capacity);
    });
}

FeatureFamily DataBufferFeatureBase::getFeatureFamily() {
    return api::FeatureFamilies().DATA_BUFFER;
}

}  // namespace spectro
