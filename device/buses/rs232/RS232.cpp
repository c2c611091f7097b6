#include "device/buses/rs232/RS232.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <utility>

#include "device/common/Exceptions.h"

namespace spectro {

namespace {

constexpr std::size_t pieceLength = 1024;

// The bit rates the terminal interface can set; any other is refused, never rounded.
std::optional<speed_t> speedOf(std::int32_t baudRate) {
    static constexpr std::pair<std::int32_t, speed_t> speeds[] = {
        {50, B50},           {75, B75},           {110, B110},         {134, B134},
        {150, B150},         {200, B200},         {300, B300},         {600, B600},
        {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
        {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
        {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
        {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
        {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
        {3500000, B3500000}, {4000000, B4000000},
    };
    for (const auto& [rate, speed] : speeds)
        if (rate == baudRate) return speed;
    return std::nullopt;
}

// Raw 8N1: every byte passes untouched, and a read returns at once with what is there.
void makeRaw8N1(termios& settings) {
    cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
}

bool wouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

}  // namespace

RS232::RS232(const std::optional<std::string>& devicePath, std::int32_t baudRate)
    : baudRate(baudRate) {
    if (!devicePath) throw IllegalArgumentException("Device path cannot be NULL.");
    this->devicePath = *devicePath;
}

RS232::~RS232() {
    if (isOpen) close();
}

bool RS232::open() {
    close();

    // A path the system cannot take whole is refused: cutting it short could name another port.
    const bool pathFits =
        devicePath.size() < PATH_MAX && devicePath.find('\0') == std::string::npos;
    auto record = std::make_unique<Port>();
    record->handle =
        pathFits ? ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC) : -1;
    if (record->handle >= 0 && (tcgetattr(record->handle, &record->working) != 0 ||
                                tcgetattr(record->handle, &record->saved) != 0)) {
        ::close(record->handle);  // not a terminal
        record->handle = -1;
    }
    if (record->handle < 0) {
        std::fprintf(stderr, "Warning: failed to open device %s, error=%d\n", devicePath.c_str(),
                     -1);
        return false;
    }

    // No other program may talk to the unit in between (root is not held back by this).
    ioctl(record->handle, TIOCEXCL);
    makeRaw8N1(record->working);
    record->opened = 1;
    tcflush(record->handle, TCIFLUSH);
    tcflush(record->handle, TCOFLUSH);
    port = std::move(record);

    const auto speed = speedOf(baudRate);
    bool applied = speed && cfsetispeed(&port->working, *speed) == 0 &&
                   cfsetospeed(&port->working, *speed) == 0 &&
                   tcsetattr(port->handle, TCSANOW, &port->working) == 0;
    // tcsetattr succeeds when any part was taken: the rate must really be on the port.
    termios now{};
    applied = applied && tcgetattr(port->handle, &now) == 0 && cfgetospeed(&now) == *speed;
    if (!applied) {
        close();
        return false;
    }
    isOpen = true;
    return true;
}

void RS232::close() {
    if (port != nullptr && port->opened != 0) {
        tcsetattr(port->handle, TCSANOW, &port->saved);
        ioctl(port->handle, TIOCNXCL);
        ::close(port->handle);  // the descriptor is gone even when close reports an error
        port->opened = 0;
        port->handle = -1;
    }
    port.reset();
    isOpen = false;
}

bool RS232::hungUp() const {
    pollfd watched{port->handle, POLLIN | POLLOUT, 0};
    if (poll(&watched, 1, 0) < 0) return errno != EINTR;
    return (watched.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

// Moves up to `length` bytes in pieces with `move` (::read or ::write on the port) until the
// port has nothing more now. -1 for a port error, or for a port that has hung up and so moves
// nothing for ever.
template <class Move>
std::ptrdiff_t RS232::inPieces(std::size_t length, Move move) const {
    if (!isPortOpen()) return -1;
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = move(done, std::min(length - done, pieceLength));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && !wouldBlock(errno)) return -1;
        if (n <= 0) {
            if (done == 0 && hungUp()) return -1;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::ptrdiff_t>(done);
}

std::ptrdiff_t RS232::read(std::uint8_t* buffer, std::size_t length) {
    return inPieces(length, [&](std::size_t at, std::size_t piece) {
        return ::read(port->handle, buffer + at, piece);
    });
}

std::ptrdiff_t RS232::write(const std::uint8_t* buffer, std::size_t length) {
    return inPieces(length, [&](std::size_t at, std::size_t piece) {
        return ::write(port->handle, buffer + at, piece);
    });
}

}  // namespace spectro
