#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "device/common/Bus.h"
#include "device/common/Exceptions.h"
#include "device/common/FeatureFamilies.h"
#include "device/common/Protocol.h"

namespace spectro {

// A capability of a device. Always inherited virtually, so that a concrete feature can
// derive from its own interface (itself a Feature) and from FeatureImpl.
class Feature {
  public:
    virtual ~Feature() = default;
    virtual bool initialize(const Protocol& protocol, const Bus& bus) = 0;
    virtual FeatureFamily getFeatureFamily() = 0;
};

// Holds the protocol implementations of a feature and picks the one that matches the
// protocol a caller uses. The templates below are the one copy of the find-and-forward code
// that every feature operation follows.
class FeatureImpl : public virtual Feature {
  public:
    FeatureImpl() = default;
    explicit FeatureImpl(std::unique_ptr<ProtocolHelper> helper);
    ~FeatureImpl() override = default;
    FeatureImpl(const FeatureImpl&) = delete;
    FeatureImpl& operator=(const FeatureImpl&) = delete;

    bool initialize(const Protocol& protocol, const Bus& bus) override;

    // The first implementation whose protocol id equals protocol's, or
    // FeatureProtocolNotFoundException "Could not find matching protocol implementation.".
    ProtocolHelper& findProtocolHelper(const Protocol& protocol) const;

  protected:
    void addProtocolHelper(std::unique_ptr<ProtocolHelper> helper);

    // The matching implementation seen through its protocol interface. A missing (or
    // unsuitable) implementation throws FeatureProtocolNotFoundException with the operation's
    // own message.
    template <class Interface>
    Interface& findImplementation(const Protocol& protocol, const std::string& notFound) const {
        Interface* implementation = nullptr;
        try {
            implementation = dynamic_cast<Interface*>(&findProtocolHelper(protocol));
        } catch (const FeatureProtocolNotFoundException&) {
            throw FeatureProtocolNotFoundException(notFound);
        }
        if (implementation == nullptr) throw FeatureProtocolNotFoundException(notFound);
        return *implementation;
    }

    // Finds the implementation and runs `call` on it; a ProtocolException becomes
    // FeatureControlException "Caught protocol exception: " plus its message.
    template <class Interface, class Call>
    decltype(auto) forward(const Protocol& protocol, const std::string& notFound, Call&& call) {
        Interface& implementation = findImplementation<Interface>(protocol, notFound);
        try {
            return std::forward<Call>(call)(implementation);
        } catch (const ProtocolException& e) {
            throw FeatureControlException(std::string("Caught protocol exception: ") + e.what());
        }
    }

    // For the operations that convert nothing: a missing implementation is reported with
    // findProtocolHelper's own message "Could not find matching protocol implementation.",
    // and exceptions of the implementation pass unchanged.
    template <class Interface, class Call>
    decltype(auto) forwardPlain(const Protocol& protocol, Call&& call) const {
        auto* implementation = dynamic_cast<Interface*>(&findProtocolHelper(protocol));
        if (implementation == nullptr) {
            throw FeatureProtocolNotFoundException(
                "Could not find matching protocol implementation.");
        }
        return std::forward<Call>(call)(*implementation);
    }

    std::vector<std::unique_ptr<ProtocolHelper>> protocolHelpers;
};

}  // namespace spectro
