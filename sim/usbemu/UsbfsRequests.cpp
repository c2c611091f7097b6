#include "sim/usbemu/UsbfsRequests.h"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <optional>
#include <vector>

namespace spectro::sim {

namespace {

// One URB submitted and not reaped yet. OUT transfers, and the ones that stall, are done when
// they are submitted; their status waits here for the reap.
struct QueuedUrb {
    UMockdevIoctlData* data;
    bool discarded = false;
    int doneStatus = 0;
};

// What one open file of a unit's device node holds: its URBs, and the interface it claimed
// (its session with the unit), so that closing the file ends the session.
struct Session {
    EmulatedUnit* unit = nullptr;
    std::optional<unsigned> claimed;
    std::deque<QueuedUrb> urbs;
};

void endSession(gpointer data) {
    auto* session = static_cast<Session*>(data);
    for (QueuedUrb& urb : session->urbs) g_object_unref(urb.data);
    if (session->claimed) session->unit->close(*session->claimed);
    delete session;
}

// umockdev drops the session (and our references) when the client closes the file.
Session& sessionOf(UMockdevIoctlClient* client, EmulatedUnit& unit) {
    constexpr const char* key = "quillfen-usbemu-session";
    auto* session = static_cast<Session*>(g_object_get_data(G_OBJECT(client), key));
    if (session == nullptr) {
        session = new Session;
        session->unit = &unit;
        g_object_set_data_full(G_OBJECT(client), key, session, endSession);
    }
    return *session;
}

// Copies the client memory behind the argument into this process (owned reference); changes
// to it reach the client when the request completes.
UMockdevIoctlData* resolve(UMockdevIoctlData* data, std::size_t offset, std::size_t length) {
    GError* error = nullptr;
    UMockdevIoctlData* resolved = umockdev_ioctl_data_resolve(data, offset, length, &error);
    if (error != nullptr) g_error_free(error);
    return resolved;
}

template <typename T>
std::optional<T> argumentValue(UMockdevIoctlData* arg) {
    UMockdevIoctlData* resolved = resolve(arg, 0, sizeof(T));
    if (resolved == nullptr) return std::nullopt;
    T value{};
    std::memcpy(&value, resolved->data, sizeof value);
    g_object_unref(resolved);
    return value;
}

void succeed(UMockdevIoctlClient* client) { umockdev_ioctl_client_complete(client, 0, 0); }
void fail(UMockdevIoctlClient* client, int error) {
    umockdev_ioctl_client_complete(client, -1, error);
}

// Lets libusb send each transfer as one URB, whatever its length.
void reportCapabilities(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    UMockdevIoctlData* caps = resolve(arg, 0, sizeof(std::uint32_t));
    if (caps == nullptr) return fail(client, EFAULT);
    const std::uint32_t value = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                                USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
    std::memcpy(caps->data, &value, sizeof value);
    g_object_unref(caps);
    succeed(client);
}

// A second claim on the same file keeps the session it already has.
void claim(UMockdevIoctlClient* client, Session& session, std::optional<unsigned> interface) {
    if (!interface) return fail(client, EFAULT);
    if (!session.unit->present()) return fail(client, ENODEV);
    if (!session.claimed) {
        if (!session.unit->open(*interface)) return fail(client, EBUSY);
        session.claimed = interface;
    }
    succeed(client);
}

// The session ends even when the unit is gone, so that the unit can forget it.
void release(UMockdevIoctlClient* client, Session& session, std::optional<unsigned> interface) {
    if (!interface) return fail(client, EFAULT);
    if (session.claimed == interface) {
        session.unit->close(*interface);
        session.claimed.reset();
    }
    if (!session.unit->present()) return fail(client, ENODEV);
    succeed(client);
}

void clearHalt(UMockdevIoctlClient* client, EmulatedUnit& unit, std::optional<unsigned> endpoint) {
    if (!endpoint) return fail(client, EFAULT);
    if (!unit.present()) return fail(client, ENODEV);
    unit.clearHalt(static_cast<std::uint8_t>(*endpoint));
    succeed(client);
}

bool isBulkIn(const usbdevfs_urb& urb) {
    return urb.type == USBDEVFS_URB_TYPE_BULK && (urb.endpoint & 0x80) != 0;
}

// Hands an OUT URB's bytes to the unit. Returns the bytes it took, or -1.
int writeOut(EmulatedUnit& unit, UMockdevIoctlData* urbData, const usbdevfs_urb& urb) {
    if (urb.buffer_length <= 0) return 0;
    UMockdevIoctlData* buffer = resolve(urbData, offsetof(usbdevfs_urb, buffer),
                                        static_cast<std::size_t>(urb.buffer_length));
    if (buffer == nullptr) return -1;
    const int written = unit.write(urb.endpoint, buffer->data, urb.buffer_length);
    g_object_unref(buffer);
    return written;
}

// OUT data goes to the unit at once; IN transfers wait in the queue for the unit's reply.
void submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg, Session& session) {
    EmulatedUnit& unit = *session.unit;
    if (!unit.present()) return fail(client, ENODEV);
    UMockdevIoctlData* urbData = resolve(arg, 0, sizeof(usbdevfs_urb));
    if (urbData == nullptr) return fail(client, EFAULT);
    auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
    QueuedUrb queued{urbData};
    if (urb->type != USBDEVFS_URB_TYPE_BULK) {
        queued.doneStatus = -EPIPE;  // only bulk transfers are emulated: the rest stalls
        urb->actual_length = 0;
    } else if (!isBulkIn(*urb)) {
        const int written = writeOut(unit, urbData, *urb);
        queued.doneStatus = written < 0 ? (unit.present() ? -EPIPE : -ESHUTDOWN) : 0;
        urb->actual_length = std::max(written, 0);
    }
    session.urbs.push_back(queued);
    succeed(client);
}

// Fills an IN URB from the unit's next reply; false while that reply is not due yet.
bool fillIn(EmulatedUnit& unit, UMockdevIoctlData* urbData, usbdevfs_urb& urb) {
    urb.actual_length = 0;
    if (!unit.present()) {
        urb.status = -ESHUTDOWN;
        return true;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max(urb.buffer_length, 0)));
    const PollResult polled = unit.poll(urb.endpoint, bytes.data(), urb.buffer_length);
    if (polled.state == PollState::NotYet) return false;
    if (polled.state == PollState::Failed) {
        urb.status = unit.present() ? -EPIPE : -ESHUTDOWN;
        return true;
    }
    if (polled.count > 0) {
        UMockdevIoctlData* buffer = resolve(urbData, offsetof(usbdevfs_urb, buffer),
                                            static_cast<std::size_t>(urb.buffer_length));
        if (buffer == nullptr) {
            urb.status = -EFAULT;
            return true;
        }
        std::memcpy(buffer->data, bytes.data(), static_cast<std::size_t>(polled.count));
        g_object_unref(buffer);
    }
    urb.status = 0;
    urb.actual_length = polled.count;
    return true;
}

// Finishes the first URB that can finish and hands its address back; false when none can yet.
bool reapOne(UMockdevIoctlClient* client, UMockdevIoctlData* arg, Session& session) {
    for (auto it = session.urbs.begin(); it != session.urbs.end(); ++it) {
        auto* urb = reinterpret_cast<usbdevfs_urb*>(it->data->data);
        if (it->discarded) {
            urb->status = -ENOENT;
            urb->actual_length = 0;
        } else if (!isBulkIn(*urb)) {
            urb->status = it->doneStatus;
        } else if (!fillIn(*session.unit, it->data, *urb)) {
            continue;
        }
        UMockdevIoctlData* target = resolve(arg, 0, sizeof(void*));
        if (target != nullptr) {
            umockdev_ioctl_data_set_ptr(target, 0, it->data);
            g_object_unref(target);
        }
        g_object_unref(it->data);
        session.urbs.erase(it);
        succeed(client);
        return true;
    }
    return false;
}

// The argument is the URB's address in the client.
void discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg, Session& session) {
    gulong value = 0;
    if (arg->data_len >= static_cast<gint>(sizeof value))
        std::memcpy(&value, arg->data, sizeof value);
    for (QueuedUrb& queued : session.urbs) {
        if (queued.data->client_addr == arg->client_addr || queued.data->client_addr == value) {
            queued.discarded = true;
            return succeed(client);
        }
    }
    fail(client, EINVAL);
}

}  // namespace

bool answerUsbfsRequest(UMockdevIoctlClient* client, EmulatedUnit& unit) {
    Session& session = sessionOf(client, unit);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    switch (umockdev_ioctl_client_get_request(client)) {
        case USBDEVFS_GET_CAPABILITIES:
            reportCapabilities(client, arg);
            return true;
        case USBDEVFS_SETCONFIGURATION:
        case USBDEVFS_SETINTERFACE:
            succeed(client);
            return true;
        case USBDEVFS_CLAIMINTERFACE:
            claim(client, session, argumentValue<unsigned>(arg));
            return true;
        case USBDEVFS_DISCONNECT_CLAIM: {
            // The claim that first detaches a bound kernel driver; there is none here.
            const auto request = argumentValue<usbdevfs_disconnect_claim>(arg);
            claim(client, session,
                  request ? std::optional<unsigned>(request->interface) : std::nullopt);
            return true;
        }
        case USBDEVFS_RELEASEINTERFACE:
            release(client, session, argumentValue<unsigned>(arg));
            return true;
        case USBDEVFS_CLEAR_HALT:
            clearHalt(client, unit, argumentValue<unsigned>(arg));
            return true;
        case USBDEVFS_SUBMITURB:
            submit(client, arg, session);
            return true;
        case USBDEVFS_REAPURBNDELAY:
            if (!reapOne(client, arg, session)) fail(client, unit.present() ? EAGAIN : ENODEV);
            return true;
        case USBDEVFS_DISCARDURB:
            discard(client, arg, session);
            return true;
        default:
            return false;
    }
}

}  // namespace spectro::sim
