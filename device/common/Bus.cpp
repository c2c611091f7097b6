#include "device/common/Bus.h"

namespace spectro {

TransferHelper* Bus::getHelper(const std::vector<const ProtocolHint*>& hints) const {
    if (hints.empty() || hints.front() == nullptr) return nullptr;
    auto found = helpers.find(hints.front()->getHintID());
    return found == helpers.end() ? nullptr : found->second.get();
}

void Bus::addHelper(std::int32_t hintID, std::unique_ptr<TransferHelper> helper) {
    helpers[hintID] = std::move(helper);
}

void Bus::clearHelpers() { helpers.clear(); }

}  // namespace spectro
