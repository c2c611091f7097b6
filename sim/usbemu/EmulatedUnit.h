#pragma once

#include <cstdint>

#include "sim/UnitPort.h"

namespace spectro::sim {

// A unit on the emulated USB bus as the bus's request handler sees it. The handler calls it on
// umockdev's worker thread while other threads (the one that unplugs it, a test that queues
// replies) may use it too, so implementations guard their own state.
class EmulatedUnit {
  public:
    virtual ~EmulatedUnit() = default;

    // False once the unit is unplugged: its requests then fail with ENODEV, and the bus takes
    // it off the listing when asked to.
    virtual bool present() const = 0;

    // The host claims an interface, which starts a session with the unit. False when the unit
    // refuses (it is open for another host).
    virtual bool open(unsigned interface) = 0;
    // The session ends: the interface is released, or the file that claimed it is closed.
    virtual void close(unsigned interface) = 0;
    // The host clears the halt of an endpoint. A unit that never halts one has nothing to do.
    virtual void clearHalt(std::uint8_t /*endpoint*/) {}

    // One OUT transfer. Returns the bytes taken, or -1 when the transfer fails.
    virtual int write(std::uint8_t endpoint, const std::uint8_t* data, int length) = 0;
    // One IN transfer without blocking: up to `length` bytes of the endpoint's next reply (the
    // rest stays for the next transfer). NotYet keeps the transfer waiting.
    virtual PollResult poll(std::uint8_t endpoint, std::uint8_t* into, int length) = 0;
};

}  // namespace spectro::sim
