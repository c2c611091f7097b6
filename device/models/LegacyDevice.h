#pragma once

#include "device/models/ModelDevice.h"
#include "device/models/LegacyModelRow.h"

namespace spectro {

// A legacy model assembled from its row: its USB bus, one LegacyProtocol and its features in
// the row's order. Created closed; one thread at a time.
class LegacyDevice : public ModelDevice {
  public:
    explicit LegacyDevice(const LegacyModelRow& row);

    // LegacyUSB on the USB bus (and, for a model that says so, on TCP/IPv4); otherwise none.
    ProtocolFamily getSupportedProtocol(const FeatureFamily& featureFamily,
                                        const BusFamily& busFamily) const override;

  private:
    bool speaksOverTCPIPv4;
};

// The legacy spectrometer implementation of a row, with the row's five exchanges; the
// gain-adjusted formats keep `source` to scale with.
std::unique_ptr<ProtocolHelper> makeLegacySpectrometerProtocol(const LegacyModelRow& row,
                                                               GainAdjustmentSource& source);

}  // namespace spectro
