#include "device/common/Feature.h"

namespace spectro {

FeatureImpl::FeatureImpl(std::unique_ptr<ProtocolHelper> helper) {
    addProtocolHelper(std::move(helper));
}

bool FeatureImpl::initialize(const Protocol&, const Bus&) { return true; }

ProtocolHelper& FeatureImpl::findProtocolHelper(const Protocol& protocol) const {
    for (const auto& helper : protocolHelpers) {
        if (helper->getProtocol().getID() == protocol.getID()) return *helper;
    }
    throw FeatureProtocolNotFoundException("Could not find matching protocol implementation.");
}

void FeatureImpl::addProtocolHelper(std::unique_ptr<ProtocolHelper> helper) {
    if (!helper) throw IllegalArgumentException("A feature needs a protocol implementation.");
    protocolHelpers.push_back(std::move(helper));
}

}  // namespace spectro
