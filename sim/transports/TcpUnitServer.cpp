#include "sim/transports/TcpUnitServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace spectro::sim {

namespace {

[[noreturn]] void failWith(const char* what, int* descriptors, std::size_t count) {
    const int error = errno;
    for (std::size_t i = 0; i < count; ++i)
        if (descriptors[i] >= 0) ::close(descriptors[i]);
    throw std::system_error(error, std::generic_category(), what);
}

}  // namespace

TcpUnitServer::TcpUnitServer(std::shared_ptr<UnitPort> unit) : unit_(std::move(unit)) {
    if (pipe2(stopPipe_, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::system_error(errno, std::generic_category(), "cannot make the server's pipe");
    int descriptors[] = {stopPipe_[0], stopPipe_[1], -1};
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    descriptors[2] = listener_;
    if (listener_ < 0) failWith("cannot make the server's socket", descriptors, 3);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;  // any free port
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 4) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        failWith("cannot listen on 127.0.0.1", descriptors, 3);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

TcpUnitServer::~TcpUnitServer() {
    const char stop = 1;
    [[maybe_unused]] const ssize_t written = ::write(stopPipe_[1], &stop, 1);
    thread_.join();
    {
        std::lock_guard<std::mutex> guard(mutex_);
        session_.reset();
    }
    ::close(listener_);
    ::close(stopPipe_[0]);
    ::close(stopPipe_[1]);
}

bool TcpUnitServer::connected() {
    std::lock_guard<std::mutex> guard(mutex_);
    return session_ && !session_->finished();
}

void TcpUnitServer::endConnection() {
    std::lock_guard<std::mutex> guard(mutex_);
    if (session_) session_->end();
}

void TcpUnitServer::endConnectionAfterReplyBytes(std::size_t count) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (session_ && !session_->finished())
        session_->endAfterReplyBytes(count);
    else
        pendingCut_ = count;
}

void TcpUnitServer::serve() {
    for (;;) {
        pollfd watched[] = {{listener_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (watched[1].revents != 0) return;
        const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection >= 0) startSession(connection);
    }
}

void TcpUnitServer::startSession(int connection) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (session_ && !session_->finished()) {
        ::close(connection);  // one host at a time
        return;
    }
    session_.reset();
    if (!unit_->open()) {
        ::close(connection);  // open elsewhere, or unplugged
        return;
    }
    // Replies go out as soon as they are due, not when the next one fills a segment.
    const int noDelay = 1;
    ::setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    session_ = std::make_unique<StreamSession>(connection, true, unit_, pendingCut_);
    pendingCut_.reset();
}

}  // namespace spectro::sim
