#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "device/common/Protocol.h"
#include "device/protocols/ProtocolInterfaces.h"
#include "device/protocols/legacy/LegacyCommandExchanges.h"
#include "device/protocols/legacy/LegacySpectrumExchanges.h"

namespace spectro::legacyProtocol {

// Acquisition over the legacy protocol with the five exchanges a model's spectrometer
// feature builds. The exchanges are kept and reused, so one device, one thread at a time.
class LegacySpectrometerProtocol : public SpectrometerProtocolInterface, public ProtocolHelper {
  public:
    LegacySpectrometerProtocol(std::unique_ptr<IntegrationTimeExchange> integrationTime,
                               std::unique_ptr<RequestSpectrumExchange> request,
                               std::unique_ptr<ReadSpectrumExchange> unformatted,
                               std::unique_ptr<ReadSpectrumExchange> formatted,
                               std::unique_ptr<TriggerModeExchange> triggerMode);

    // The raw frame, sync byte included.
    std::vector<std::uint8_t> readUnformattedSpectrum(const Bus& bus) override;
    std::optional<std::vector<double>> readFormattedSpectrum(const Bus& bus) override;
    void requestSpectrum(const Bus& bus) override;
    void setIntegrationTimeMicros(const Bus& bus, std::uint32_t micros) override;
    void setTriggerMode(const Bus& bus, const SpectrometerTriggerMode& mode) override;

  private:
    std::unique_ptr<IntegrationTimeExchange> integrationTimeExchange;
    std::unique_ptr<ReadSpectrumExchange> unformattedSpectrumExchange;
    std::unique_ptr<RequestSpectrumExchange> requestSpectrumExchange;
    std::unique_ptr<ReadSpectrumExchange> formattedSpectrumExchange;
    std::unique_ptr<TriggerModeExchange> triggerModeExchange;
};

}  // namespace spectro::legacyProtocol
