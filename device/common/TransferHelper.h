#pragma once

#include <cstdint>
#include <vector>

namespace spectro {

// A channel on an open bus. The contract every bus keeps:
//  - send writes the first `length` bytes of `buffer` and returns the number written;
//  - receive reads up to `length` bytes into the start of `buffer` and returns the number read;
//  - `length` never exceeds buffer.size() (callers guarantee it, helpers may rely on it);
//  - a failure is reported by throwing BusTransferException, never by the count.
class TransferHelper {
  public:
    virtual ~TransferHelper() = default;
    virtual std::int32_t receive(std::vector<std::uint8_t>& buffer, std::uint32_t length) = 0;
    virtual std::int32_t send(const std::vector<std::uint8_t>& buffer, std::uint32_t length) = 0;
};

}  // namespace spectro
