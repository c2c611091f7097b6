#pragma once

#include <cstdint>
#include <memory>

#include "device/common/ProtocolFamilies.h"

namespace spectro {

// The identity of a protocol, not an engine: features match their implementations to a
// device's protocol by this id.
class Protocol {
  public:
    explicit Protocol(std::int32_t id) : id(id) {}
    virtual ~Protocol() = default;
    Protocol(const Protocol&) = delete;
    Protocol& operator=(const Protocol&) = delete;

    virtual ProtocolFamily getProtocolFamily() const = 0;
    std::int32_t getID() const { return id; }

  private:
    std::int32_t id;
};

// Base of every protocol implementation of a feature. A concrete implementation derives
// first from the feature's protocol interface and then from this class; it owns its own
// protocol identity.
class ProtocolHelper {
  public:
    explicit ProtocolHelper(std::unique_ptr<Protocol> protocol) : protocol(std::move(protocol)) {}
    virtual ~ProtocolHelper() = default;
    ProtocolHelper(const ProtocolHelper&) = delete;
    ProtocolHelper& operator=(const ProtocolHelper&) = delete;

    const Protocol& getProtocol() const { return *protocol; }

  private:
    std::unique_ptr<Protocol> protocol;
};

namespace legacyProtocol {

// The legacy USB command protocol.
class LegacyProtocol : public Protocol {
  public:
    static constexpr std::int32_t ID = 1000;
    LegacyProtocol() : Protocol(ID) {}
    ProtocolFamily getProtocolFamily() const override {
        return api::ProtocolFamilies().LEGACY_USB_PROTOCOL;
    }
};

}  // namespace legacyProtocol

namespace framedBinaryProtocol {

// The Framed Binary Protocol.
class FramedBinaryProtocol : public Protocol {
  public:
    static constexpr std::int32_t ID = 2000;
    FramedBinaryProtocol() : Protocol(ID) {}
    ProtocolFamily getProtocolFamily() const override {
        return api::ProtocolFamilies().FRAMED_BINARY_PROTOCOL;
    }
};

}  // namespace framedBinaryProtocol
}  // namespace spectro
