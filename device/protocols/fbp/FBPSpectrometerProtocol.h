#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "device/common/Exchange.h"
#include "device/common/Protocol.h"
#include "device/protocols/ProtocolInterfaces.h"
#include "device/protocols/fbp/FBPCatalogue.h"

namespace spectro::framedBinaryProtocol {

// Acquisition over the framed protocol with the five exchanges a model's spectrometer feature
// builds: the request and read transfers of its spectrum format, and the two settings. The
// exchanges are kept and reused, so one device, one thread at a time.
class FBPSpectrometerProtocol : public SpectrometerProtocolInterface, public ProtocolHelper {
  public:
    FBPSpectrometerProtocol(std::unique_ptr<FBPIntegrationTimeExchange> integrationTime,
                            std::unique_ptr<Transfer> request,
                            std::unique_ptr<Transfer> unformatted,
                            std::unique_ptr<Transfer> formatted,
                            std::unique_ptr<FBPTriggerModeExchange> triggerMode);

    // All data bytes of the spectrum message.
    std::vector<std::uint8_t> readUnformattedSpectrum(const Bus& bus) override;
    std::optional<std::vector<double>> readFormattedSpectrum(const Bus& bus) override;
    void requestSpectrum(const Bus& bus) override;
    // A refusal throws: a setting the device did not take must not pass for one it did.
    void setIntegrationTimeMicros(const Bus& bus, std::uint32_t micros) override;
    void setTriggerMode(const Bus& bus, const SpectrometerTriggerMode& mode) override;

  private:
    std::unique_ptr<FBPIntegrationTimeExchange> integrationTimeExchange;
    std::unique_ptr<Transfer> unformattedSpectrumExchange;
    std::unique_ptr<Transfer> requestSpectrumExchange;
    std::unique_ptr<Transfer> formattedSpectrumExchange;
    std::unique_ptr<FBPTriggerModeExchange> triggerModeExchange;
};

}  // namespace spectro::framedBinaryProtocol
