#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "device/common/TransferHelper.h"

namespace spectro::bench {

// A channel whose every receive is a memcpy of one prepared frame (its first `length` bytes
// at most) and whose sends are accepted as they are.
class ReplayTransferHelper : public TransferHelper {
  public:
    explicit ReplayTransferHelper(std::vector<std::uint8_t> frame) : frame(std::move(frame)) {}

    std::int32_t receive(std::vector<std::uint8_t>& buffer, std::uint32_t length) override {
        const std::size_t moved = std::min<std::size_t>(length, frame.size());
        std::memcpy(buffer.data(), frame.data(), moved);
        return static_cast<std::int32_t>(moved);
    }
    std::int32_t send(const std::vector<std::uint8_t>&, std::uint32_t length) override {
        return static_cast<std::int32_t>(length);
    }

  private:
    std::vector<std::uint8_t> frame;
};

}  // namespace spectro::bench
