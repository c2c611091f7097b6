#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "sim/UnitPort.h"
#include "sim/transports/StreamSession.h"

namespace spectro::sim {

// One unit on a loopback TCP port, as a networked spectrometer: the host sends the unit's
// command bytes over the connection and reads every reply from it, short replies and spectra
// alike (framed messages for the Blaze, single-byte commands and their replies for the Jaz).
// It listens on 127.0.0.1 at a port the system picks; a connection opens the unit's session,
// its end closes it. One host at a time: a connection that comes while the unit is open (to
// this host or another transport) is closed at once. The server runs on threads of its own and
// stops, closing every descriptor, when destroyed. The operations may be called from any thread.
class TcpUnitServer {
  public:
    // Throws std::system_error when no port can be had.
    explicit TcpUnitServer(std::shared_ptr<UnitPort> unit);
    ~TcpUnitServer();
    TcpUnitServer(const TcpUnitServer&) = delete;
    TcpUnitServer& operator=(const TcpUnitServer&) = delete;

    // The port on 127.0.0.1 to connect to.
    std::uint16_t port() const { return port_; }

    // True while a host is connected (from when its connection is taken until it ends).
    bool connected();
    // Closes the connection now, if there is one; returns once it is closed.
    void endConnection();
    // Closes the connection once `count` more reply bytes have gone out: a peer that closes
    // mid-reply. It applies to the connection there is, or else to the next one.
    void endConnectionAfterReplyBytes(std::size_t count);

  private:
    void serve();
    void startSession(int connection);

    const std::shared_ptr<UnitPort> unit_;
    int listener_ = -1;
    int stopPipe_[2] = {-1, -1};
    std::uint16_t port_ = 0;
    std::mutex mutex_;  // guards the session and the pending cut
    std::unique_ptr<StreamSession> session_;
    std::optional<std::size_t> pendingCut_;
    std::thread thread_;
};

}  // namespace spectro::sim
