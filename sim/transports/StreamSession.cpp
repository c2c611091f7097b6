#include "sim/transports/StreamSession.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace spectro::sim {

namespace {

// Large enough for the longest reply in one piece, so that no spectrum waits on a short tail.
constexpr std::size_t chunk = 65536;

bool retry(ssize_t result) { return result < 0 && (errno == EINTR || errno == EAGAIN); }

}  // namespace

StreamSession::StreamSession(int fd, bool socket, std::shared_ptr<UnitPort> unit,
                             std::optional<std::size_t> cutAfter, UnreadCount unread)
    : fd_(fd),
      socket_(socket),
      unit_(std::move(unit)),
      unread_(std::move(unread)),
      bytesBeforeCut_(cutAfter) {
    if (pipe2(endPipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        const int error = errno;
        ::close(fd_);
        unit_->close();
        throw std::system_error(error, std::generic_category(), "cannot make a session's pipe");
    }
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
    if (bytesBeforeCut_ == 0u) finish();
    out_ = std::thread([this] { pumpOut(); });
    in_ = std::thread([this] { pumpIn(); });
}

StreamSession::~StreamSession() {
    finish();
    in_.join();
    ::close(endPipe_[0]);
    ::close(endPipe_[1]);
}

void StreamSession::end() {
    finish();
    std::unique_lock<std::mutex> lock(finishedMutex_);
    finishedChanged_.wait(lock, [this] { return finished_.load(); });
}

void StreamSession::endAfterReplyBytes(std::size_t count) {
    if (count == 0) return finish();
    std::lock_guard<std::mutex> guard(cutMutex_);
    bytesBeforeCut_ = count;
}

// Wakes both threads: the poll of either sees the pipe, a stream read in the unit fails.
void StreamSession::finish() {
    if (ending_.exchange(true)) return;
    const char wake = 1;
    [[maybe_unused]] const ssize_t written = ::write(endPipe_[1], &wake, 1);
    unit_->close();
}

void StreamSession::pumpIn() {
    std::vector<std::uint8_t> buffer(chunk);
    for (;;) {
        pollfd watched[] = {{fd_, POLLIN, 0}, {endPipe_[0], POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (watched[1].revents != 0) break;
        if (watched[0].revents == 0) continue;
        const ssize_t got = ::read(fd_, buffer.data(), buffer.size());
        if (retry(got)) continue;
        if (got <= 0) break;  // the peer is gone
        if (unit_->writeStream(buffer.data(), static_cast<int>(got)) < 0) break;
    }
    finish();
    out_.join();
    ::close(fd_);
    {
        std::lock_guard<std::mutex> guard(finishedMutex_);
        finished_ = true;
    }
    finishedChanged_.notify_all();
}

void StreamSession::pumpOut() {
    std::vector<std::uint8_t> buffer(chunk);
    for (;;) {
        const int taken = unit_->readStream(buffer.data(), static_cast<int>(buffer.size()));
        if (taken < 0) break;
        std::size_t allowed = static_cast<std::size_t>(taken);
        bool cut = false;
        {
            std::lock_guard<std::mutex> guard(cutMutex_);
            if (bytesBeforeCut_) {
                allowed = std::min(allowed, *bytesBeforeCut_);
                *bytesBeforeCut_ -= allowed;
                cut = *bytesBeforeCut_ == 0;
            }
        }
        if (!sendAll(buffer.data(), allowed)) break;
        if (cut) {
            waitUntilRead();
            break;
        }
    }
    finish();
}

// Looks every millisecond: nothing signals that a peer has read. The bytes reach the peer's
// queue a moment after they are written, so a queue that is empty from the start may be one
// they have not reached yet; it is trusted once it has stayed empty for a while. Ending the
// session stops the wait.
void StreamSession::waitUntilRead() {
    if (!unread_) return;
    constexpr int quietMilliseconds = 20;
    bool seenUnread = false;
    int quiet = 0;
    for (;;) {
        if (unread_() > 0) {
            seenUnread = true;
            quiet = 0;
        } else if (seenUnread || ++quiet >= quietMilliseconds) {
            return;
        }
        pollfd ending{endPipe_[0], POLLIN, 0};
        if (::poll(&ending, 1, 1) > 0) return;
    }
}

bool StreamSession::sendAll(const std::uint8_t* data, std::size_t length) {
    std::size_t sent = 0;
    while (sent < length) {
        pollfd watched[] = {{fd_, POLLOUT, 0}, {endPipe_[0], POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (watched[1].revents != 0) return false;
        if ((watched[0].revents & POLLOUT) == 0) {
            if (watched[0].revents != 0) return false;  // hung up or broken
            continue;
        }
        const ssize_t moved = socket_ ? ::send(fd_, data + sent, length - sent, MSG_NOSIGNAL)
                                      : ::write(fd_, data + sent, length - sent);
        if (retry(moved)) continue;
        if (moved <= 0) return false;
        sent += static_cast<std::size_t>(moved);
    }
    return true;
}

}  // namespace spectro::sim
