#include "sim/usbemu/EmulatedBus.h"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <deque>
#include <stdexcept>

#include "sim/UsbDescriptorBytes.h"

namespace spectro::sim {

struct EmulatedUnit {
    std::shared_ptr<SimUnit> unit;
    std::string sysPath;
    std::string devNode;
    bool removed = false;  // touched only by the thread that built the bus
};

namespace {

std::string upperHex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char pair[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", b);
        text += pair;
    }
    return text;
}

// One URB submitted and not reaped yet. OUT transfers are done when submitted; their result
// waits here for the reap.
struct QueuedUrb {
    UMockdevIoctlData* data;
    bool discarded = false;
    int outStatus = 0;
};

// What one open file of a unit's device node holds: its URBs, and whether it opened the unit
// (claimed the interface), so that closing the file closes the unit.
struct Session {
    UnitPort* unit = nullptr;
    bool opened = false;
    std::deque<QueuedUrb> urbs;
};

void destroySession(gpointer data) {
    auto* session = static_cast<Session*>(data);
    for (QueuedUrb& urb : session->urbs) g_object_unref(urb.data);
    if (session->opened) session->unit->close();
    delete session;
}

Session& sessionOf(UMockdevIoctlClient* client, UnitPort& unit) {
    constexpr const char* key = "quillfen-sim-session";
    auto* session = static_cast<Session*>(g_object_get_data(G_OBJECT(client), key));
    if (session == nullptr) {
        session = new Session;
        session->unit = &unit;
        g_object_set_data_full(G_OBJECT(client), key, session, destroySession);
    }
    return *session;
}

// Copies the client memory behind the argument into this process (owned reference).
UMockdevIoctlData* resolve(UMockdevIoctlData* data, std::size_t offset, std::size_t length) {
    GError* error = nullptr;
    UMockdevIoctlData* resolved = umockdev_ioctl_data_resolve(data, offset, length, &error);
    if (error != nullptr) g_error_free(error);
    return resolved;
}

void complete(UMockdevIoctlClient* client, int result, int error) {
    umockdev_ioctl_client_complete(client, result, error);
}

void claim(UMockdevIoctlClient* client, Session& session) {
    if (!session.opened) session.opened = session.unit->open();
    if (session.opened)
        complete(client, 0, 0);
    else
        complete(client, -1, session.unit->present() ? EBUSY : ENODEV);
}

void submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg, Session& session) {
    if (!session.unit->present()) return complete(client, -1, ENODEV);
    UMockdevIoctlData* urbData = resolve(arg, 0, sizeof(usbdevfs_urb));
    if (urbData == nullptr) return complete(client, -1, EFAULT);
    auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
    QueuedUrb queued{urbData};
    if (urb->type != USBDEVFS_URB_TYPE_BULK) {
        queued.outStatus = -EPIPE;  // only bulk transfers are answered: the rest stalls
    } else if ((urb->endpoint & 0x80) == 0) {
        int written = 0;
        if (urb->buffer_length > 0) {
            UMockdevIoctlData* buffer = resolve(urbData, offsetof(usbdevfs_urb, buffer),
                                                static_cast<std::size_t>(urb->buffer_length));
            written = buffer == nullptr
                          ? -1
                          : session.unit->write(urb->endpoint, buffer->data, urb->buffer_length);
            if (buffer != nullptr) g_object_unref(buffer);
        }
        queued.outStatus = written < 0 ? (session.unit->present() ? -EPIPE : -ESHUTDOWN) : 0;
        urb->actual_length = std::max(written, 0);
    }
    session.urbs.push_back(queued);
    complete(client, 0, 0);
}

// Finishes the first URB that can finish; false when none can yet.
bool reapOne(UMockdevIoctlClient* client, UMockdevIoctlData* arg, Session& session) {
    for (auto it = session.urbs.begin(); it != session.urbs.end(); ++it) {
        auto* urb = reinterpret_cast<usbdevfs_urb*>(it->data->data);
        const bool in = urb->type == USBDEVFS_URB_TYPE_BULK && (urb->endpoint & 0x80) != 0;
        if (it->discarded) {
            urb->status = -ENOENT;
            urb->actual_length = 0;
        } else if (!in) {
            urb->status = it->outStatus;
        } else {
            std::vector<std::uint8_t> bytes(
                static_cast<std::size_t>(std::max(urb->buffer_length, 0)));
            const PollResult polled =
                session.unit->poll(urb->endpoint, bytes.data(), urb->buffer_length);
            if (polled.state == PollState::NotYet) continue;
            if (polled.state == PollState::Failed) {
                urb->status = session.unit->present() ? -EPIPE : -ESHUTDOWN;
                urb->actual_length = 0;
            } else {
                if (polled.count > 0) {
                    UMockdevIoctlData* buffer =
                        resolve(it->data, offsetof(usbdevfs_urb, buffer),
                                static_cast<std::size_t>(urb->buffer_length));
                    if (buffer != nullptr) {
                        std::memcpy(buffer->data, bytes.data(),
                                    static_cast<std::size_t>(polled.count));
                        g_object_unref(buffer);
                    }
                }
                urb->status = 0;
                urb->actual_length = polled.count;
            }
        }
        UMockdevIoctlData* target = resolve(arg, 0, sizeof(void*));
        if (target != nullptr) {
            umockdev_ioctl_data_set_ptr(target, 0, it->data);
            g_object_unref(target);
        }
        g_object_unref(it->data);
        session.urbs.erase(it);
        complete(client, 0, 0);
        return true;
    }
    return false;
}

void discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg, Session& session) {
    gulong value = 0;
    if (arg->data_len >= static_cast<gint>(sizeof value))
        std::memcpy(&value, arg->data, sizeof value);
    for (QueuedUrb& queued : session.urbs) {
        if (queued.data->client_addr == arg->client_addr || queued.data->client_addr == value) {
            queued.discarded = true;
            return complete(client, 0, 0);
        }
    }
    complete(client, -1, EINVAL);
}

// Runs on umockdev's worker thread for every request on a unit's device node.
gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
    auto& unit = *static_cast<UnitPort*>(data);
    Session& session = sessionOf(client, unit);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    switch (umockdev_ioctl_client_get_request(client)) {
        case USBDEVFS_GET_CAPABILITIES: {
            // One URB per transfer, whatever its length.
            UMockdevIoctlData* caps = resolve(arg, 0, sizeof(std::uint32_t));
            if (caps == nullptr) {
                complete(client, -1, EFAULT);
                return TRUE;
            }
            const std::uint32_t value = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                                        USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                        USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
            std::memcpy(caps->data, &value, sizeof value);
            g_object_unref(caps);
            complete(client, 0, 0);
            return TRUE;
        }
        case USBDEVFS_SETCONFIGURATION:
        case USBDEVFS_SETINTERFACE:
            complete(client, 0, 0);
            return TRUE;
        case USBDEVFS_CLAIMINTERFACE:
        case USBDEVFS_DISCONNECT_CLAIM:
            claim(client, session);
            return TRUE;
        case USBDEVFS_RELEASEINTERFACE:
            if (session.opened) session.unit->close();
            session.opened = false;
            complete(client, 0, 0);
            return TRUE;
        case USBDEVFS_CLEAR_HALT:
            complete(client, unit.present() ? 0 : -1, unit.present() ? 0 : ENODEV);
            return TRUE;
        case USBDEVFS_SUBMITURB:
            submit(client, arg, session);
            return TRUE;
        case USBDEVFS_REAPURBNDELAY:
            if (!reapOne(client, arg, session))
                complete(client, -1, unit.present() ? EAGAIN : ENODEV);
            return TRUE;
        case USBDEVFS_DISCARDURB:
            discard(client, arg, session);
            return TRUE;
        default:
            return FALSE;  // umockdev's own answer
    }
}

[[noreturn]] void fail(const std::string& what, GError* error) {
    const std::string message = error != nullptr ? error->message : "unknown error";
    if (error != nullptr) g_error_free(error);
    throw std::runtime_error(what + ": " + message);
}

}  // namespace

EmulatedBus::EmulatedBus(std::shared_ptr<SimBench> bench)
    : bench_(std::move(bench)), testbed_(umockdev_testbed_new()) {
    const int busNumber = 1;
    for (std::size_t place = 0; place < bench_->units().size(); ++place) {
        auto entry = std::make_unique<EmulatedUnit>();
        entry->unit = bench_->units()[place];
        const SimUnit& unit = *entry->unit;
        const int address = static_cast<int>(place) + 2;
        char text[64];
        std::snprintf(text, sizeof text, "/dev/bus/usb/%03d/%03d", busNumber, address);
        entry->devNode = text;
        const std::string devPath =
            "/devices/pci0000:00/0000:00:14.0/usb1/1-" + std::to_string(place + 1);
        entry->sysPath = "/sys" + devPath;

        std::vector<std::uint8_t> descriptors = deviceDescriptor(unit.model());
        const auto configuration = configurationDescriptor(unit.model(), unit.packetSize());
        descriptors.insert(descriptors.end(), configuration.begin(), configuration.end());
        const std::string hexDescriptors = upperHex(descriptors);
        const int minor = (busNumber - 1) * 128 + address - 1;
        std::snprintf(text, sizeof text, "%04x", unit.model().productId);
        const std::string product = text;
        std::snprintf(text, sizeof text, "%03d", address);
        const std::string devText = text;

        const std::string description =
            "P: " + devPath + "\n" + "N: bus/usb/001/" + devText + "=" + hexDescriptors + "\n" +
            "E: DEVNAME=" + entry->devNode + "\n" + "E: DEVTYPE=usb_device\n" + "E: DRIVER=usb\n" +
            "E: SUBSYSTEM=usb\n" + "E: PRODUCT=2457/" + product + "/200\n" + "E: BUSNUM=001\n" +
            "E: DEVNUM=" + devText + "\n" + "E: MAJOR=189\n" + "E: MINOR=" + std::to_string(minor) +
            "\n" + "A: dev=189:" + std::to_string(minor) + "\\n\n" + "A: busnum=1\\n\n" +
            "A: devnum=" + std::to_string(address) + "\\n\n" +
            "A: speed=" + (unit.highSpeed() ? "480" : "12") + "\\n\n" + "A: idVendor=2457\\n\n" +
            "A: idProduct=" + product + "\\n\n" + "A: bConfigurationValue=1\\n\n" +
            "A: bNumConfigurations=1\\n\n" + "H: descriptors=" + hexDescriptors + "\n";
        GError* error = nullptr;
        // A unit that is gone from the start is never put on the bus.
        entry->removed = !unit.present();
        if (!entry->removed) {
            if (!umockdev_testbed_add_from_string(testbed_, description.c_str(), &error))
                fail("cannot add an emulated unit", error);
            UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
            g_signal_connect(handler, "handle-ioctl", G_CALLBACK(onIoctl),
                             static_cast<UnitPort*>(entry->unit.get()));
            handlers_.push_back(handler);
            if (!umockdev_testbed_attach_ioctl(testbed_, entry->devNode.c_str(), handler, &error))
                fail("cannot answer an emulated unit", error);
        }
        units_.push_back(std::move(entry));
    }
}

EmulatedBus::~EmulatedBus() {
    g_object_unref(testbed_);
    for (UMockdevIoctlBase* handler : handlers_) g_object_unref(handler);
}

void EmulatedBus::removeUnpluggedUnits() {
    for (auto& entry : units_) {
        if (entry->removed || entry->unit->present()) continue;
        entry->removed = true;
        umockdev_testbed_remove_device(testbed_, entry->sysPath.c_str());
    }
}

}  // namespace spectro::sim
