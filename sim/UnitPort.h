#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace spectro::sim {

constexpr std::uint16_t simVendorId = 0x2457;

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

// How a unit shows itself on a USB bus: its ids, the bulk endpoints of its interface 0 and its
// speed, from which the descriptors are built.
struct UsbIdentity {
    std::uint16_t vendorId = simVendorId;
    std::uint16_t productId = 0;
    std::vector<std::uint8_t> endpoints;
    bool highSpeed = true;

    // The largest packet size of every endpoint.
    int packetSize() const { return highSpeed ? 512 : 64; }
};

// A simulated unit as a transport sees it. USB transports move transfers to and from its
// endpoints, waiting for a reply (the simulated USB platform) or polling for it (the emulated
// USB bus); byte-stream transports (a TCP connection, a serial line) hand it bytes without an
// endpoint and take its replies in the order they fall due. The unit's protocol is its own
// business: every transport carries every unit.
class UnitPort {
  public:
    virtual ~UnitPort() = default;

    // As the device library names the model.
    virtual const std::string& modelName() const = 0;
    virtual const UsbIdentity& usb() const = 0;
    // False once the unit is unplugged; it is then no longer listed.
    virtual bool present() const = 0;

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

    // Bytes from a byte stream: a whole command, several, or a piece of one, for the command
    // input. Returns `length`, or -1 when they fail as a write would (a broken or unknown
    // command, or one that comes while reply bytes are unread); the unit then forgets the
    // partial command it held.
    virtual int writeStream(const std::uint8_t* data, int length) = 0;
    // Takes up to `length` bytes of the next reply due, whichever endpoint it belongs to, and
    // waits until there is one. Returns the bytes copied, or -1 once the unit is closed or gone.
    virtual int readStream(std::uint8_t* into, int length) = 0;
};

}  // namespace spectro::sim
