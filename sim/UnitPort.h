#pragma once

#include <cstdint>

#include "sim/ModelTable.h"

namespace spectro::sim {

// What a poll of an IN endpoint found.
enum class PollState {
    Ready,   // bytes were copied
    NotYet,  // a reply is coming but is not due yet
    Failed,  // nothing is pending or coming, or the unit is closed or gone
};

struct PollResult {
    PollState state;
    int count;  // bytes copied when Ready
};

// A simulated unit as a transport sees it: bytes written to an endpoint, and the next reply
// of an endpoint, either waited for or polled without blocking. The simulated USB platform
// waits; the emulated USB bus polls from its request handler.
class UnitPort {
  public:
    virtual ~UnitPort() = default;

    virtual const ModelTraits& model() const = 0;
    // False once the unit is unplugged; it is then no longer listed.
    virtual bool present() const = 0;
    virtual bool highSpeed() const = 0;

    // A unit is opened by one host at a time; opening starts a new session (spectrum count,
    // pending replies and the hardware-trigger wait start afresh). False when it is gone or
    // already open.
    virtual bool open() = 0;
    // Drops pending replies and wakes a read waiting for one, which then fails.
    virtual void close() = 0;

    // One OUT transfer. Returns the bytes taken, or -1 when the transfer fails. A command that
    // comes while any reply, due or not, is still unread fails and drops the unread bytes.
    virtual int write(std::uint8_t endpoint, const std::uint8_t* data, int length) = 0;
    // One IN transfer: takes up to `length` bytes of the endpoint's next reply (the rest stays
    // for the next transfer). Waits until the reply is due; fails at once when nothing is
    // pending. Returns the bytes copied, or -1.
    virtual int read(std::uint8_t endpoint, std::uint8_t* into, int length) = 0;
    // The same without waiting.
    virtual PollResult poll(std::uint8_t endpoint, std::uint8_t* into, int length) = 0;
};

}  // namespace spectro::sim
