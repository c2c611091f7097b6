#include "device/protocols/legacy/LegacySpectrometerProtocol.h"

#include "device/common/Exceptions.h"
#include "device/protocols/SpectrometerTriggerMode.h"

namespace spectro::legacyProtocol {

namespace {

const char* const NO_SPECTRUM = "Got NULL when expecting spectral data which was unexpected.";

}  // namespace

LegacySpectrometerProtocol::LegacySpectrometerProtocol(
    std::unique_ptr<IntegrationTimeExchange> integrationTime,
    std::unique_ptr<RequestSpectrumExchange> request,
    std::unique_ptr<ReadSpectrumExchange> unformatted,
    std::unique_ptr<ReadSpectrumExchange> formatted,
    std::unique_ptr<TriggerModeExchange> triggerMode)
    : ProtocolHelper(std::make_unique<LegacyProtocol>()),
      integrationTimeExchange(std::move(integrationTime)),
      unformattedSpectrumExchange(std::move(unformatted)),
      requestSpectrumExchange(std::move(request)),
      formattedSpectrumExchange(std::move(formatted)),
      triggerModeExchange(std::move(triggerMode)) {}

std::vector<std::uint8_t> LegacySpectrometerProtocol::readUnformattedSpectrum(const Bus& bus) {
    std::unique_ptr<Data> result = runExchange(bus, *unformattedSpectrumExchange);
    auto* frame = dynamic_cast<ByteVector*>(result.get());
    if (frame == nullptr) throw ProtocolException(NO_SPECTRUM);
    return std::move(frame->getValues());
}

std::optional<std::vector<double>> LegacySpectrometerProtocol::readFormattedSpectrum(
    const Bus& bus) {
    std::unique_ptr<Data> result = runExchange(bus, *formattedSpectrumExchange);
    if (!result) throw ProtocolException(NO_SPECTRUM);
    if (auto* words = dynamic_cast<UShortVector*>(result.get())) {
        const std::vector<std::uint16_t>& values = words->getValues();
        return std::vector<double>(values.begin(), values.end());
    }
    if (auto* doubles = dynamic_cast<DoubleVector*>(result.get()))
        return std::move(doubles->getValues());
    return std::nullopt;
}

void LegacySpectrometerProtocol::requestSpectrum(const Bus& bus) {
    runExchange(bus, *requestSpectrumExchange);
}

void LegacySpectrometerProtocol::setIntegrationTimeMicros(const Bus& bus, std::uint32_t micros) {
    // The value is stored only once a helper was found, so a refused call changes nothing.
    TransferHelper& helper = findTransferHelper(bus, *integrationTimeExchange);
    integrationTimeExchange->setIntegrationTimeMicros(micros);
    integrationTimeExchange->transfer(helper);
}

void LegacySpectrometerProtocol::setTriggerMode(const Bus& bus,
                                                const SpectrometerTriggerMode& mode) {
    TransferHelper& helper = findTransferHelper(bus, *triggerModeExchange);
    triggerModeExchange->setTriggerMode(mode.getTriggerMode());
    triggerModeExchange->transfer(helper);
}

}  // namespace spectro::legacyProtocol
