#pragma once

#include <cstdint>
#include <vector>

#include "device/common/TransferHelper.h"

namespace spectro {

class Socket;

// Moves bytes over a bus's socket, which it borrows. A receive ends early when the peer closes
// and returns what arrived; socket failures propagate as the socket reports them.
class TCPIPv4SocketTransferHelper : public TransferHelper {
  public:
    explicit TCPIPv4SocketTransferHelper(Socket* socket) : socket(socket) {}

    std::int32_t receive(std::vector<std::uint8_t>& buffer, std::uint32_t length) override;
    std::int32_t send(const std::vector<std::uint8_t>& buffer, std::uint32_t length) override;

  private:
    Socket* socket;
};

}  // namespace spectro
