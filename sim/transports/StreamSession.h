#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "sim/UnitPort.h"

namespace spectro::sim {

// One host talking to a unit over a byte stream (a TCP connection, the master side of a
// pseudo-terminal). Bytes read from the descriptor go to the unit's command input; the unit's
// reply bytes are written to it as they fall due. It runs on two threads of its own and ends
// when the peer goes, the unit is closed or gone, bytes from the host fail (a host mistake
// shows as the end of the connection, never as a silent hang), or it is told to. Ending closes
// the unit's session, then the descriptor, so that the peer sees the end at once.
// The operations may be called from any thread.
class StreamSession {
  public:
    // How many of the bytes written so far the peer has not read yet.
    using UnreadCount = std::function<int()>;

    // Takes over the descriptor (made non-blocking here) and a unit already opened for this
    // session. `socket` selects send() without SIGPIPE over write(). With `cutAfter` the
    // session ends once that many reply bytes have gone out (see endAfterReplyBytes). Where
    // ending the stream discards what the peer has not read yet (a terminal's hang-up does),
    // `unread` lets such a cut wait until the peer has the bytes sent before it.
    StreamSession(int fd, bool socket, std::shared_ptr<UnitPort> unit,
                  std::optional<std::size_t> cutAfter = std::nullopt, UnreadCount unread = {});
    // Ends the session and waits for its threads.
    ~StreamSession();
    StreamSession(const StreamSession&) = delete;
    StreamSession& operator=(const StreamSession&) = delete;

    // Ends it now, and returns once the descriptor is closed.
    void end();
    // Ends it once `count` more reply bytes have gone out: the way to drop a host mid-reply.
    void endAfterReplyBytes(std::size_t count);
    // True once the descriptor is closed.
    bool finished() const { return finished_.load(); }

  private:
    void pumpIn();
    void pumpOut();
    bool sendAll(const std::uint8_t* data, std::size_t length);
    void waitUntilRead();
    void finish();

    const int fd_;
    const bool socket_;
    const std::shared_ptr<UnitPort> unit_;
    const UnreadCount unread_;
    int endPipe_[2] = {-1, -1};  // readable once the session is ending: wakes both threads
    std::atomic<bool> ending_{false};
    std::atomic<bool> finished_{false};
    std::mutex finishedMutex_;
    std::condition_variable finishedChanged_;
    std::mutex cutMutex_;
    std::optional<std::size_t> bytesBeforeCut_;
    std::thread out_;
    std::thread in_;  // joins `out_` before it closes the descriptor
};

}  // namespace spectro::sim
