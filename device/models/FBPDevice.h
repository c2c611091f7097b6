#pragma once

#include "device/models/ModelDevice.h"
#include "device/models/FBPModelRow.h"

namespace spectro {

// A framed-binary model assembled from its row: its USB bus and further buses, one
// FramedBinaryProtocol and its features in the row's order. Created closed; one thread at a
// time.
class FBPDevice : public ModelDevice {
  public:
    explicit FBPDevice(const FBPModelRow& row);

    // FramedBinary on every bus of the model (the Ventana: on USB only); the feature family is
    // not looked at.
    ProtocolFamily getSupportedProtocol(const FeatureFamily& featureFamily,
                                        const BusFamily& busFamily) const override;

  private:
    bool framedBinaryOnUSBOnly;
};

// The Ventana, whose cooler and light source are added at initialisation when the unit
// answers for them (cooler first, both after the raw USB access feature). Every further
// initialisation probes, and appends, again.
class Ventana : public FBPDevice {
  public:
    Ventana();
    bool initialize(const Bus& bus) override;
};

}  // namespace spectro
