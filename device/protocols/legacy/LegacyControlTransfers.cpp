#include "device/protocols/legacy/LegacyControlTransfers.h"

namespace spectro::legacyProtocol {

namespace {

std::unique_ptr<Transfer> controlTransfer(std::vector<std::uint8_t> bytes, int direction,
                                          std::uint32_t length) {
    std::vector<std::unique_ptr<ProtocolHint>> hints;
    hints.push_back(std::make_unique<ControlHint>());
    return std::make_unique<Transfer>(std::move(hints), std::move(bytes), direction, length);
}

}  // namespace

std::unique_ptr<Transfer> controlWrite(std::vector<std::uint8_t> bytes) {
    const auto length = static_cast<std::uint32_t>(bytes.size());
    return controlTransfer(std::move(bytes), Transfer::TO_DEVICE, length);
}

std::unique_ptr<Transfer> controlRead(std::uint32_t length) {
    return controlTransfer({}, Transfer::FROM_DEVICE, length);
}

}  // namespace spectro::legacyProtocol
