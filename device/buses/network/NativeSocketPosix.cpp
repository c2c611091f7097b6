#include "device/buses/network/NativeSocketPosix.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>

#include "device/common/Exceptions.h"

namespace spectro {

namespace {

std::string errorPart(int error) { return "Error " + std::to_string(error); }

// Drops a descriptor for good. Linux frees it even when close reports an error.
void release(int& descriptor) {
    if (descriptor >= 0) ::close(descriptor);
    descriptor = -1;
}

// A count must fit the signed result.
std::size_t capped(std::uint32_t size) { return std::min<std::uint32_t>(size, INT32_MAX); }

}  // namespace

NativeSocketPosix::~NativeSocketPosix() {
    try {
        close();
    } catch (const BusException&) {
        // The descriptor is gone either way; a destructor has nobody to tell.
    }
}

void NativeSocketPosix::connect(const std::string& hostName, std::int32_t port) {
    // The old connection goes first, also when the new name cannot be resolved.
    release(sock);
    bound = false;
    closed = true;

    addrinfo wanted{};
    wanted.ai_family = AF_INET;
    wanted.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    // A name with a NUL inside would be looked up cut short, as another host.
    const int result = hostName.find('\0') != std::string::npos
                           ? EAI_NONAME
                           : getaddrinfo(hostName.c_str(), nullptr, &wanted, &found);
    if (result != 0 || found == nullptr) {
        if (found != nullptr) freeaddrinfo(found);
        throw BusConnectException("Failed to resolve hostname [" + hostName +
                                  "]: " + std::to_string(result));
    }
    const std::uint32_t first =
        reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    connect(first, port);
}

void NativeSocketPosix::connect(std::uint32_t address, std::int32_t port) {
    release(sock);
    bound = false;
    closed = true;

    // A port number out of range would otherwise wrap round to another service.
    int error = EINVAL;
    if (port >= 0 && port <= 0xFFFF) {
        sock = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        error = errno;
    }
    if (sock >= 0) {
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = htons(static_cast<std::uint16_t>(port));
        target.sin_addr.s_addr = address;
        if (::connect(sock, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
            bound = true;
            closed = false;
            this->address = address;
            return;
        }
        error = errno;
        release(sock);
    }
    throw BusConnectException("Socket connect failed: " + errorPart(error));
}

void NativeSocketPosix::close() {
    if (closed) return;
    shutdown(sock, SHUT_RDWR);  // fails harmlessly when the peer has already gone
    const int result = ::close(sock);
    const int error = errno;
    sock = -1;
    bound = false;
    closed = true;
    if (result != 0)
        throw BusException("Got error when trying to close socket: " + errorPart(error));
}

std::int32_t NativeSocketPosix::getSOLinger() const {
    linger option{};
    socklen_t length = sizeof option;
    if (getsockopt(sock, SOL_SOCKET, SO_LINGER, &option, &length) != 0)
        throw SocketException("Failed to get socket options: " + errorPart(errno));
    if (length != sizeof option)
        throw SocketException("Failed to get socket options: " + errorPart(EINVAL));
    return option.l_onoff != 0 ? option.l_linger : 0;
}

void NativeSocketPosix::setSOLinger(bool enable, std::int32_t seconds) {
    linger option{};
    option.l_onoff = enable ? 1 : 0;
    option.l_linger = seconds;
    if (setsockopt(sock, SOL_SOCKET, SO_LINGER, &option, sizeof option) != 0)
        throw SocketException("Failed to set socket options: " + errorPart(errno));
}

std::int32_t NativeSocketPosix::getReadTimeoutMillis() const {
    timeval option{};
    socklen_t length = sizeof option;
    if (getsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &option, &length) != 0)
        throw SocketException("Failed to get socket options: " + errorPart(errno));
    if (length != sizeof option)
        throw SocketException("Failed to get socket options: " + errorPart(EINVAL));
    return static_cast<std::int32_t>(option.tv_sec * 1000 + option.tv_usec / 1000);
}

void NativeSocketPosix::setReadTimeoutMillis(std::int32_t milliseconds) {
    timeval option{};
    option.tv_sec = milliseconds / 1000;
    option.tv_usec = static_cast<suseconds_t>(milliseconds % 1000) * 1000;
    if (setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &option, sizeof option) != 0)
        throw SocketException("Failed to set socket options: " + errorPart(errno));
}

std::int32_t NativeSocketPosix::read(std::uint8_t* buffer, std::uint32_t size) {
    for (;;) {
        const ssize_t received = recv(sock, buffer, capped(size), 0);
        if (received >= 0) return static_cast<std::int32_t>(received);
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            throw SocketTimeoutException("No data available on non-blocking socket.");
        throw SocketException("Socket error on read: " + errorPart(errno));
    }
}

std::int32_t NativeSocketPosix::write(const std::uint8_t* buffer, std::uint32_t size) {
    for (;;) {
        const ssize_t sent = send(sock, buffer, capped(size), MSG_NOSIGNAL);
        if (sent >= 0) return static_cast<std::int32_t>(sent);
        if (errno == EINTR) continue;
        throw BusTransferException("Socket error on write: " + errorPart(errno));
    }
}

}  // namespace spectro
