#include "sim/transports/PseudoTerminalUnit.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

namespace spectro::sim {

namespace {

[[noreturn]] void failWith(const char* what, int master, int terminal) {
    const int error = errno;
    if (terminal >= 0) ::close(terminal);
    if (master >= 0) ::close(master);
    throw std::system_error(error, std::generic_category(), what);
}

}  // namespace

PseudoTerminalUnit::PseudoTerminalUnit(std::shared_ptr<UnitPort> unit) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) failWith("cannot make a pseudo-terminal", -1, -1);
    char name[128];
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0)
        failWith("cannot unlock the pseudo-terminal", master, -1);
    path_ = name;
    terminal_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal_ < 0) failWith("cannot open the pseudo-terminal", master, -1);
    termios settings{};
    if (::tcgetattr(terminal_, &settings) != 0)
        failWith("cannot read the terminal's settings", master, terminal_);
    ::cfmakeraw(&settings);
    if (::tcsetattr(terminal_, TCSANOW, &settings) != 0)
        failWith("cannot put the terminal in raw mode", master, terminal_);
    if (!unit->open()) {
        ::close(terminal_);
        ::close(master);
        throw std::runtime_error("the " + unit->modelName() + " is open elsewhere or unplugged");
    }
    // A hang-up drops what the host has not read yet, so a cut waits until it has.
    const int terminal = terminal_;
    auto unread = [terminal] {
        int count = 0;
        return ::ioctl(terminal, FIONREAD, &count) == 0 ? count : 0;
    };
    session_ =
        std::make_unique<StreamSession>(master, false, std::move(unit), std::nullopt, unread);
}

PseudoTerminalUnit::~PseudoTerminalUnit() {
    session_.reset();
    ::close(terminal_);
}

void PseudoTerminalUnit::hangUp() { session_->end(); }

void PseudoTerminalUnit::hangUpAfterReplyBytes(std::size_t count) {
    session_->endAfterReplyBytes(count);
}

}  // namespace spectro::sim
