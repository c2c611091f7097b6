#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "sim/UnitPort.h"
#include "sim/transports/StreamSession.h"

namespace spectro::sim {

// One unit behind a pseudo-terminal, as a spectrometer on a serial line (STS, QE-PRO, Spark).
// The simulator keeps the master side; the host opens path() as its serial port, sets it up as
// it likes and sends the unit's messages over it. The terminal starts in raw mode, so nothing
// is echoed or translated. The unit's session lasts as long as the terminal, across the host
// opening and closing the port; hanging up (closing the master) ends it for good: the host's
// reads then see the end of the line. Runs on threads of its own and closes every descriptor
// when destroyed. The operations may be called from any thread.
class PseudoTerminalUnit {
  public:
    // Throws std::system_error when no terminal can be made, std::runtime_error when the unit
    // cannot be opened (it is open elsewhere, or unplugged).
    explicit PseudoTerminalUnit(std::shared_ptr<UnitPort> unit);
    ~PseudoTerminalUnit();
    PseudoTerminalUnit(const PseudoTerminalUnit&) = delete;
    PseudoTerminalUnit& operator=(const PseudoTerminalUnit&) = delete;

    // The terminal for the host to open, such as "/dev/pts/7".
    const std::string& path() const { return path_; }

    // Hangs the terminal up now; returns once the master is closed.
    void hangUp();
    // Hangs it up once `count` more reply bytes have gone out: a line that ends mid-read.
    void hangUpAfterReplyBytes(std::size_t count);
    // True once the terminal is hung up, by either call or by the session ending on its own
    // (a failed message, an unplugged unit).
    bool hungUp() const { return session_->finished(); }

  private:
    std::string path_;
    // Held open by the simulator so that the terminal stays up while no host has it open.
    int terminal_ = -1;
    std::unique_ptr<StreamSession> session_;
};

}  // namespace spectro::sim
