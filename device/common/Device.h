#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/common/Bus.h"
#include "device/common/DeviceLocator.h"
#include "device/common/Feature.h"
#include "device/common/Protocol.h"

namespace spectro {

// One spectrometer model: the buses it can be reached over, the protocols it speaks and the
// features it offers. A model's constructor fills the three lists; the device owns them.
class Device {
  public:
    virtual ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // Initialises every feature with the protocol the model supports for it on `bus`; features
    // for which the model names no protocol are skipped. Always true.
    virtual bool initialize(const Bus& bus);
    virtual DeviceLocatorInterface* getLocation() const { return location.get(); }
    virtual void setLocation(const DeviceLocatorInterface& locator);
    // 0 opened, -1 no location, -2 no bus of the location's family, -3 the bus failed with an
    // exception, -4 the bus refused to open.
    virtual int open();
    virtual void close();
    virtual std::vector<Bus*> getBusesByFamily(const BusFamily& busFamily) const;
    virtual ProtocolFamily getSupportedProtocol(const FeatureFamily& featureFamily,
                                                const BusFamily& busFamily) const = 0;
    virtual std::vector<Protocol*> getProtocolsByFamily(const ProtocolFamily& family) const;
    virtual Bus* getOpenedBus() const { return openedBus; }

    std::string getName() const { return name; }
    std::vector<Bus*> getBuses() const;
    std::vector<Feature*> getFeatures() const;
    std::vector<Protocol*> getProtocols() const;

    std::uint8_t getCmdOutEndpoint() const { return cmdOutEndpoint; }
    std::uint8_t getReplyInEndpoint() const { return replyInEndpoint; }
    std::uint8_t getAuxOutEndpoint() const { return auxOutEndpoint; }
    std::uint8_t getDataInEndpoint() const { return dataInEndpoint; }
    std::uint8_t getDataIn2Endpoint() const { return dataIn2Endpoint; }

  protected:
    explicit Device(std::string name) : name(std::move(name)) {}

    std::vector<std::unique_ptr<Bus>> buses;
    std::vector<std::unique_ptr<Feature>> features;
    std::vector<std::unique_ptr<Protocol>> protocols;
    std::string name;
    std::uint8_t cmdOutEndpoint = 0;
    std::uint8_t replyInEndpoint = 0;
    std::uint8_t auxOutEndpoint = 0;
    std::uint8_t dataInEndpoint = 0;
    std::uint8_t dataIn2Endpoint = 0;

  private:
    std::unique_ptr<DeviceLocatorInterface> location;
    Bus* openedBus = nullptr;
};

}  // namespace spectro
