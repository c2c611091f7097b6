#include "device/models/ModelDevice.h"

namespace spectro {

ModelDevice::ModelDevice(const std::string& name, const ModelEndpoints& endpoints,
                         BusMaker usbBus, const std::vector<BusMaker>& furtherBuses,
                         std::unique_ptr<Protocol> protocol)
    : Device(name) {
    cmdOutEndpoint = endpoints.cmdOut;
    replyInEndpoint = endpoints.replyIn;
    auxOutEndpoint = endpoints.auxOut;
    dataInEndpoint = endpoints.dataIn;
    dataIn2Endpoint = endpoints.dataIn2;

    buses.push_back(usbBus());
    for (const BusMaker makeFurtherBus : furtherBuses) buses.push_back(makeFurtherBus());
    protocols.push_back(std::move(protocol));
}

}  // namespace spectro
