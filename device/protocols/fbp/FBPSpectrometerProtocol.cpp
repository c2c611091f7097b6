#include "device/protocols/fbp/FBPSpectrometerProtocol.h"

#include "device/common/Exceptions.h"
#include "device/protocols/SpectrometerTriggerMode.h"
#include "device/protocols/fbp/FBPProtocolSupport.h"

namespace spectro::framedBinaryProtocol {

namespace {

const char* const NO_SPECTRUM = "Got NULL when expecting spectral data which was unexpected.";

template <class T>
std::vector<double> toDoubles(const std::vector<T>& values) {
    return std::vector<double>(values.begin(), values.end());
}

}  // namespace

FBPSpectrometerProtocol::FBPSpectrometerProtocol(
    std::unique_ptr<FBPIntegrationTimeExchange> integrationTime, std::unique_ptr<Transfer> request,
    std::unique_ptr<Transfer> unformatted, std::unique_ptr<Transfer> formatted,
    std::unique_ptr<FBPTriggerModeExchange> triggerMode)
    : ProtocolHelper(std::make_unique<FramedBinaryProtocol>()),
      integrationTimeExchange(std::move(integrationTime)),
      unformattedSpectrumExchange(std::move(unformatted)),
      requestSpectrumExchange(std::move(request)),
      formattedSpectrumExchange(std::move(formatted)),
      triggerModeExchange(std::move(triggerMode)) {}

std::vector<std::uint8_t> FBPSpectrometerProtocol::readUnformattedSpectrum(const Bus& bus) {
    std::unique_ptr<Data> result = runExchange(bus, *unformattedSpectrumExchange);
    auto* bytes = dynamic_cast<ByteVector*>(result.get());
    if (bytes == nullptr) throw ProtocolException(NO_SPECTRUM);
    return std::move(bytes->getValues());
}

std::optional<std::vector<double>> FBPSpectrometerProtocol::readFormattedSpectrum(
    const Bus& bus) {
    std::unique_ptr<Data> result = runExchange(bus, *formattedSpectrumExchange);
    if (!result) throw ProtocolException(NO_SPECTRUM);
    if (auto* words = dynamic_cast<UShortVector*>(result.get())) return toDoubles(words->getValues());
    if (auto* longs = dynamic_cast<U32Vector*>(result.get())) return toDoubles(longs->getValues());
    if (auto* doubles = dynamic_cast<DoubleVector*>(result.get()))
        return std::move(doubles->getValues());
    return std::nullopt;
}

void FBPSpectrometerProtocol::requestSpectrum(const Bus& bus) {
    // The request asks for no acknowledgement; the spectrum message is the answer.
    runExchange(bus, *requestSpectrumExchange);
}

void FBPSpectrometerProtocol::setIntegrationTimeMicros(const Bus& bus, std::uint32_t micros) {
    // The value is stored only once a helper was found, so a mismatched bus changes nothing.
    TransferHelper& helper = support::helperFor(bus, *integrationTimeExchange);
    integrationTimeExchange->setIntegrationTimeMicros(micros);
    if (!integrationTimeExchange->sendCommandToDevice(helper))
        throw ProtocolException("Device refused the integration time command.");
}

void FBPSpectrometerProtocol::setTriggerMode(const Bus& bus, const SpectrometerTriggerMode& mode) {
    TransferHelper& helper = support::helperFor(bus, *triggerModeExchange);
    triggerModeExchange->setTriggerMode(mode.getTriggerMode());
    // A unit left in another mode would take a "triggered" acquisition at once.
    if (!triggerModeExchange->sendCommandToDevice(helper))
        throw ProtocolException("Device refused the trigger mode command.");
}

}  // namespace spectro::framedBinaryProtocol
