#include "EmulatedUsbBench.h"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "device/support/UsbDescriptorBuilder.h"

namespace spectro::test {

namespace {

std::string hex(std::uint8_t endpoint) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", endpoint);
    return text;
}

std::string upperHex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char pair[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", b);
        text += pair;
    }
    return text;
}

// URBs submitted on one file descriptor and not reaped yet; umockdev drops the queue (and
// our references) when the descriptor is closed.
struct QueuedUrb {
    UMockdevIoctlData* data;
    bool discarded = false;
};
using UrbQueue = std::deque<QueuedUrb>;

void destroyQueue(gpointer queue) {
    auto* urbs = static_cast<UrbQueue*>(queue);
    for (QueuedUrb& urb : *urbs) g_object_unref(urb.data);
    delete urbs;
}

UrbQueue& queueOf(UMockdevIoctlClient* client) {
    constexpr const char* key = "emulated-usb-urbs";
    auto* urbs = static_cast<UrbQueue*>(g_object_get_data(G_OBJECT(client), key));
    if (urbs == nullptr) {
        urbs = new UrbQueue;
        g_object_set_data_full(G_OBJECT(client), key, urbs, destroyQueue);
    }
    return *urbs;
}

// Copies the argument's pointee into this process; the reference is owned by the caller.
UMockdevIoctlData* resolve(UMockdevIoctlData* data, std::size_t offset, std::size_t length) {
    GError* error = nullptr;
    UMockdevIoctlData* resolved = umockdev_ioctl_data_resolve(data, offset, length, &error);
    if (error != nullptr) g_error_free(error);
    return resolved;
}

gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer unit) {
    return static_cast<EmulatedUsbUnit*>(unit)->handle(client) ? TRUE : FALSE;
}

}  // namespace

void EmulatedUsbUnit::reply(std::uint8_t endpoint, std::vector<std::uint8_t> bytes) {
    auto guard = lock();
    replies_[endpoint].push_back(std::move(bytes));
}

std::vector<std::string> EmulatedUsbUnit::events() const {
    auto guard = lock();
    return events_;
}

std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>> EmulatedUsbUnit::writes() const {
    auto guard = lock();
    return writes_;
}

void EmulatedUsbUnit::record(std::string event) { events_.push_back(std::move(event)); }

bool EmulatedUsbUnit::handle(void* rawClient) {
    auto* client = static_cast<UMockdevIoctlClient*>(rawClient);
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    auto guard = lock();

    auto completeWithUnsigned = [&](const char* what) {
        UMockdevIoctlData* value = resolve(arg, 0, sizeof(unsigned int));
        if (value == nullptr) {
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return;
        }
        unsigned int number = 0;
        std::memcpy(&number, value->data, sizeof number);
        g_object_unref(value);
        if (unplugged) {
            umockdev_ioctl_client_complete(client, -1, ENODEV);
            return;
        }
        record(std::string(what) + (std::strcmp(what, "clear ") == 0
                                        ? hex(static_cast<std::uint8_t>(number))
                                        : std::to_string(number)));
        umockdev_ioctl_client_complete(client, 0, 0);
    };

    switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            UMockdevIoctlData* caps = resolve(arg, 0, sizeof(std::uint32_t));
            const std::uint32_t value = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                                        USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                        USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
            std::memcpy(caps->data, &value, sizeof value);
            g_object_unref(caps);
            umockdev_ioctl_client_complete(client, 0, 0);
            return true;
        }
        case USBDEVFS_SETCONFIGURATION:
        case USBDEVFS_SETINTERFACE:
            umockdev_ioctl_client_complete(client, 0, 0);
            return true;
        case USBDEVFS_CLAIMINTERFACE:
            completeWithUnsigned("claim ");
            return true;
        case USBDEVFS_RELEASEINTERFACE:
            completeWithUnsigned("release ");
            return true;
        case USBDEVFS_CLEAR_HALT:
            completeWithUnsigned("clear ");
            return true;
        case USBDEVFS_DISCONNECT_CLAIM: {
            // The claim that first detaches a bound kernel driver.
            UMockdevIoctlData* claim = resolve(arg, 0, sizeof(usbdevfs_disconnect_claim));
            const unsigned int interface =
                reinterpret_cast<usbdevfs_disconnect_claim*>(claim->data)->interface;
            g_object_unref(claim);
            record("claim " + std::to_string(interface));
            umockdev_ioctl_client_complete(client, 0, 0);
            return true;
        }
        case USBDEVFS_SUBMITURB: {
            if (unplugged) {
                umockdev_ioctl_client_complete(client, -1, ENODEV);
                return true;
            }
            UMockdevIoctlData* urbData = resolve(arg, 0, sizeof(usbdevfs_urb));
            auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
            if (urb->buffer_length > 0) {
                UMockdevIoctlData* buffer = resolve(urbData, offsetof(usbdevfs_urb, buffer),
                                                    static_cast<std::size_t>(urb->buffer_length));
                if (urb->type == USBDEVFS_URB_TYPE_BULK && (urb->endpoint & 0x80) == 0) {
                    std::vector<std::uint8_t> bytes(buffer->data,
                                                    buffer->data + urb->buffer_length);
                    std::string line = "write " + hex(urb->endpoint);
                    char part[4];
                    for (std::uint8_t b : bytes) {
                        std::snprintf(part, sizeof part, " %02X", b);
                        line += part;
                    }
                    record(line);
                    writes_.emplace_back(urb->endpoint, std::move(bytes));
                }
                g_object_unref(buffer);
            }
            if (urb->type == USBDEVFS_URB_TYPE_BULK && (urb->endpoint & 0x80) != 0)
                record("read " + hex(urb->endpoint) + " " + std::to_string(urb->buffer_length));
            queueOf(client).push_back({urbData});
            umockdev_ioctl_client_complete(client, 0, 0);
            return true;
        }
        case USBDEVFS_REAPURBNDELAY: {
            UrbQueue& queue = queueOf(client);
            for (auto it = queue.begin(); it != queue.end(); ++it) {
                auto* urb = reinterpret_cast<usbdevfs_urb*>(it->data->data);
                const bool in = (urb->endpoint & 0x80) != 0;
                if (it->discarded) {
                    urb->status = -ENOENT;
                    urb->actual_length = 0;
                } else if (unplugged) {
                    urb->status = -ESHUTDOWN;
                    urb->actual_length = 0;
                } else if (urb->type != USBDEVFS_URB_TYPE_BULK) {
                    urb->status = -EPIPE;  // nothing else is emulated: stall
                    urb->actual_length = 0;
                } else if (!in) {
                    urb->status = 0;
                    urb->actual_length = urb->buffer_length;
                } else {
                    auto& pending = replies_[urb->endpoint];
                    if (pending.empty()) continue;  // waits for a reply
                    std::vector<std::uint8_t>& next = pending.front();
                    const std::size_t moved =
                        std::min(next.size(), static_cast<std::size_t>(urb->buffer_length));
                    if (moved > 0) {
                        UMockdevIoctlData* buffer =
                            resolve(it->data, offsetof(usbdevfs_urb, buffer),
                                    static_cast<std::size_t>(urb->buffer_length));
                        std::memcpy(buffer->data, next.data(), moved);
                        g_object_unref(buffer);
                    }
                    next.erase(next.begin(), next.begin() + static_cast<std::ptrdiff_t>(moved));
                    if (next.empty()) pending.pop_front();
                    urb->status = 0;
                    urb->actual_length = static_cast<int>(moved);
                }
                UMockdevIoctlData* target = resolve(arg, 0, sizeof(void*));
                umockdev_ioctl_data_set_ptr(target, 0, it->data);
                g_object_unref(target);
                g_object_unref(it->data);
                queue.erase(it);
                umockdev_ioctl_client_complete(client, 0, 0);
                return true;
            }
            umockdev_ioctl_client_complete(client, -1, unplugged ? ENODEV : EAGAIN);
            return true;
        }
        case USBDEVFS_DISCARDURB: {
            gulong address = arg->client_addr;
            gulong value = 0;
            if (arg->data_len >= static_cast<gint>(sizeof value))
                std::memcpy(&value, arg->data, sizeof value);
            for (QueuedUrb& queued : queueOf(client)) {
                if (queued.data->client_addr == address || queued.data->client_addr == value) {
                    queued.discarded = true;
                    umockdev_ioctl_client_complete(client, 0, 0);
                    return true;
                }
            }
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return true;
        }
        default:
            return false;  // umockdev's own answer
    }
}

bool underUmockdevPreload() {
    const char* preload = std::getenv("LD_PRELOAD");
    return preload != nullptr && std::strstr(preload, "libumockdev-preload") != nullptr;
}

EmulatedUsbBench::EmulatedUsbBench() : testbed_(umockdev_testbed_new()) {
    if (!underUmockdevPreload())
        throw std::runtime_error("the emulated USB bench needs the umockdev preload library");
}

EmulatedUsbBench::~EmulatedUsbBench() {
    g_object_unref(testbed_);
    for (UMockdevIoctlBase* handler : handlers_) g_object_unref(handler);
}

EmulatedUsbUnit& EmulatedUsbBench::add(int bus, const std::string& ports, int address,
                                       std::uint16_t vendorId, std::uint16_t productId,
                                       std::uint16_t packetSize, int speed) {
    auto unit = std::make_unique<EmulatedUsbUnit>();
    char text[64];
    std::snprintf(text, sizeof text, "/dev/bus/usb/%03d/%03d", bus, address);
    unit->devNode = text;
    const std::string devPath = "/devices/pci0000:00/0000:00:14.0/usb" + std::to_string(bus) + "/" +
                                std::to_string(bus) + "-" + ports;
    unit->sysPath = "/sys" + devPath;

    std::vector<std::uint8_t> descriptors = {18,
                                             1,
                                             0x00,
                                             0x02,  // USB 2.0
                                             0xFF,
                                             0x00,
                                             0x00,
                                             64,
                                             static_cast<std::uint8_t>(vendorId & 0xFF),
                                             static_cast<std::uint8_t>(vendorId >> 8),
                                             static_cast<std::uint8_t>(productId & 0xFF),
                                             static_cast<std::uint8_t>(productId >> 8),
                                             0x00,
                                             0x02,
                                             0,
                                             0,
                                             0,
                                             1};
    const auto configuration = makeFpgaUsbConfigurationDescriptor(packetSize);
    descriptors.insert(descriptors.end(), configuration.begin(), configuration.end());
    const std::string hexDescriptors = upperHex(descriptors);
    const int minor = (bus - 1) * 128 + address - 1;
    std::snprintf(text, sizeof text, "%04x/%04x/200", vendorId, productId);
    const std::string product = text;
    std::snprintf(text, sizeof text, "%03d", bus);
    const std::string busText = text;
    std::snprintf(text, sizeof text, "%03d", address);
    const std::string devText = text;

    const std::string description =
        "P: " + devPath + "\n" + "N: bus/usb/" + busText + "/" + devText + "=" + hexDescriptors +
        "\n" + "E: DEVNAME=" + unit->devNode + "\n" + "E: DEVTYPE=usb_device\n" +
        "E: DRIVER=usb\n" + "E: SUBSYSTEM=usb\n" + "E: PRODUCT=" + product + "\n" +
        "E: BUSNUM=" + busText + "\n" + "E: DEVNUM=" + devText + "\n" + "E: MAJOR=189\n" +
        "E: MINOR=" + std::to_string(minor) + "\n" + "A: dev=189:" + std::to_string(minor) +
        "\\n\n" + "A: busnum=" + std::to_string(bus) + "\\n\n" +
        "A: devnum=" + std::to_string(address) + "\\n\n" + "A: speed=" + std::to_string(speed) +
        "\\n\n" + "A: idVendor=" + product.substr(0, 4) + "\\n\n" +
        "A: idProduct=" + product.substr(5, 4) + "\\n\n" + "A: bConfigurationValue=1\\n\n" +
        "A: bNumConfigurations=1\\n\n" + "H: descriptors=" + hexDescriptors + "\n";
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed_, description.c_str(), &error)) {
        const std::string message = error != nullptr ? error->message : "unknown error";
        if (error != nullptr) g_error_free(error);
        throw std::runtime_error("cannot add emulated unit: " + message);
    }
    UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(onIoctl), unit.get());
    if (!umockdev_testbed_attach_ioctl(testbed_, unit->devNode.c_str(), handler, &error)) {
        const std::string message = error != nullptr ? error->message : "unknown error";
        if (error != nullptr) g_error_free(error);
        g_object_unref(handler);
        throw std::runtime_error("cannot answer the emulated unit: " + message);
    }
    handlers_.push_back(handler);
    units_.push_back(std::move(unit));
    return *units_.back();
}

void EmulatedUsbBench::unplug(EmulatedUsbUnit& unit) {
    {
        auto guard = unit.lock();
        unit.unplugged = true;
    }
    umockdev_testbed_uevent(testbed_, unit.sysPath.c_str(), "remove");
    umockdev_testbed_remove_device(testbed_, unit.sysPath.c_str());
}

}  // namespace spectro::test
