#pragma once

#include <memory>
#include <string>
#include <vector>

#include "device/common/Device.h"
#include "device/common/Protocol.h"
#include "device/models/ModelRowParts.h"

namespace spectro {

// What every model's device starts with, from its row: the name, the five endpoint bytes, the
// USB bus then the further buses, and the one protocol it speaks. The model adds its features.
class ModelDevice : public Device {
  protected:
    ModelDevice(const std::string& name, const ModelEndpoints& endpoints, BusMaker usbBus,
                const std::vector<BusMaker>& furtherBuses, std::unique_ptr<Protocol> protocol);
};

}  // namespace spectro
