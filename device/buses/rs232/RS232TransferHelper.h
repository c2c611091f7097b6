#pragma once

#include <cstdint>
#include <vector>

#include "device/common/TransferHelper.h"

namespace spectro {

class RS232;

// Moves whole messages over a bus's serial port, which it borrows. It keeps polling (every
// 10 ms) until every byte asked for has moved: a unit may take its time. A closed port, a port
// error or a hang-up throws BusTransferException.
class RS232TransferHelper : public TransferHelper {
  public:
    explicit RS232TransferHelper(RS232* rs232) : rs232(rs232) {}

    // Both return `length` (never more than the buffer holds) or throw.
    std::int32_t receive(std::vector<std::uint8_t>& buffer, std::uint32_t length) override;
    std::int32_t send(const std::vector<std::uint8_t>& buffer, std::uint32_t length) override;

  private:
    RS232* rs232;
};

}  // namespace spectro
