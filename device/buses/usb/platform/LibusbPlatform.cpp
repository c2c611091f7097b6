#include "device/buses/usb/platform/LibusbPlatform.h"

#include <libusb.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <map>
#include <tuple>
#include <utility>

namespace spectro {

namespace {

constexpr int claimedInterface = 0;

struct ListedDevice {
    std::uint8_t bus = 0;
    std::vector<std::uint8_t> ports;
    std::uint8_t address = 0;
    libusb_device* device = nullptr;

    std::string path() const {
        char part[8];
        std::snprintf(part, sizeof part, "%03u-", static_cast<unsigned>(bus));
        std::string text = part;
        for (std::size_t i = 0; i < ports.size(); ++i) {
            if (i > 0) text += '.';
            text += std::to_string(ports[i]);
        }
        std::snprintf(part, sizeof part, ":%03u", static_cast<unsigned>(address));
        return text + part;
    }
};

// The device list of one call, sorted by bus, port chain and address so that the order does
// not depend on how the system happens to list its devices.
class DeviceList {
  public:
    explicit DeviceList(libusb_context* context) {
        if (context == nullptr) return;
        const ssize_t count = libusb_get_device_list(context, &list_);
        for (ssize_t i = 0; i < count; ++i) {
            ListedDevice listed;
            listed.device = list_[i];
            listed.bus = libusb_get_bus_number(listed.device);
            listed.address = libusb_get_device_address(listed.device);
            std::uint8_t ports[8];
            const int depth = libusb_get_port_numbers(listed.device, ports, sizeof ports);
            if (depth > 0) listed.ports.assign(ports, ports + depth);
            devices_.push_back(std::move(listed));
        }
        std::sort(
            devices_.begin(), devices_.end(), [](const ListedDevice& a, const ListedDevice& b) {
                return std::tie(a.bus, a.ports, a.address) < std::tie(b.bus, b.ports, b.address);
            });
    }
    ~DeviceList() {
        if (list_ != nullptr) libusb_free_device_list(list_, 1);
    }
    DeviceList(const DeviceList&) = delete;
    DeviceList& operator=(const DeviceList&) = delete;

    const std::vector<ListedDevice>& devices() const { return devices_; }

  private:
    libusb_device** list_ = nullptr;
    std::vector<ListedDevice> devices_;
};

void appendBytes(std::vector<std::uint8_t>& out, const unsigned char* bytes, int length) {
    if (bytes != nullptr && length > 0) out.insert(out.end(), bytes, bytes + length);
}

// libusb keeps the descriptors it read when the device was listed, parsed; they are put back
// into wire form here, so no request goes to the unit.
std::vector<std::uint8_t> serialise(const libusb_config_descriptor& config) {
    std::vector<std::uint8_t> out = {
        config.bLength,
        config.bDescriptorType,
        static_cast<std::uint8_t>(config.wTotalLength & 0xFF),
        static_cast<std::uint8_t>(config.wTotalLength >> 8),
        config.bNumInterfaces,
        config.bConfigurationValue,
        config.iConfiguration,
        config.bmAttributes,
        config.MaxPower,
    };
    appendBytes(out, config.extra, config.extra_length);
    for (int i = 0; i < config.bNumInterfaces; ++i) {
        const libusb_interface& interface = config.interface[i];
        for (int a = 0; a < interface.num_altsetting; ++a) {
            const libusb_interface_descriptor& alt = interface.altsetting[a];
            const std::uint8_t head[] = {alt.bLength,
                                         alt.bDescriptorType,
                                         alt.bInterfaceNumber,
                                         alt.bAlternateSetting,
                                         alt.bNumEndpoints,
                                         alt.bInterfaceClass,
                                         alt.bInterfaceSubClass,
                                         alt.bInterfaceProtocol,
                                         alt.iInterface};
            out.insert(out.end(), std::begin(head), std::end(head));
            appendBytes(out, alt.extra, alt.extra_length);
            for (int e = 0; e < alt.bNumEndpoints; ++e) {
                const libusb_endpoint_descriptor& ep = alt.endpoint[e];
                const std::uint8_t bytes[] = {ep.bLength,
                                              ep.bDescriptorType,
                                              ep.bEndpointAddress,
                                              ep.bmAttributes,
                                              static_cast<std::uint8_t>(ep.wMaxPacketSize & 0xFF),
                                              static_cast<std::uint8_t>(ep.wMaxPacketSize >> 8),
                                              ep.bInterval,
                                              ep.bRefresh,
                                              ep.bSynchAddress};
                out.insert(out.end(), bytes, bytes + (ep.bLength >= 9 ? 9 : 7));
                appendBytes(out, ep.extra, ep.extra_length);
            }
        }
    }
    return out;
}

// wMaxPacketSize of each IN endpoint of the claimed interface; empty when libusb cannot give
// the configuration.
std::map<std::uint8_t, int> inPacketSizes(libusb_device* device) {
    std::map<std::uint8_t, int> sizes;
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_config_descriptor(device, 0, &config) != 0) return sizes;
    for (int i = 0; i < config->bNumInterfaces; ++i) {
        const libusb_interface& interface = config->interface[i];
        if (interface.num_altsetting < 1) continue;
        const libusb_interface_descriptor& alt = interface.altsetting[0];
        if (alt.bInterfaceNumber != claimedInterface) continue;
        for (int e = 0; e < alt.bNumEndpoints; ++e) {
            const libusb_endpoint_descriptor& ep = alt.endpoint[e];
            // Bits 11 and 12 count extra transactions per microframe, not bytes.
            if ((ep.bEndpointAddress & 0x80) != 0)
                sizes[ep.bEndpointAddress] = ep.wMaxPacketSize & 0x07FF;
        }
    }
    libusb_free_config_descriptor(config);
    return sizes;
}

// Used by one device's thread at a time.
class LibusbConnection : public UsbConnection {
  public:
    LibusbConnection(libusb_device_handle* handle, const libusb_device_descriptor& descriptor,
                     std::map<std::uint8_t, int> packetSizes)
        : handle_(handle),
          vendorId_(descriptor.idVendor),
          productId_(descriptor.idProduct),
          packetSizes_(std::move(packetSizes)) {}
    ~LibusbConnection() override {
        libusb_release_interface(handle_, claimedInterface);
        libusb_close(handle_);
    }
    LibusbConnection(const LibusbConnection&) = delete;
    LibusbConnection& operator=(const LibusbConnection&) = delete;

    std::uint16_t vendorId() const override { return vendorId_; }
    std::uint16_t productId() const override { return productId_; }

    int bulkWrite(std::uint8_t endpoint, const std::uint8_t* data, int length) override {
        int moved = 0;
        // libusb does not change the bytes of an OUT transfer.
        const int result = libusb_bulk_transfer(handle_, endpoint, const_cast<std::uint8_t*>(data),
                                                length, &moved, 0);
        return result == 0 ? moved : -1;
    }

    // libusb fails a transfer with an overflow when the unit sends more than it asked for,
    // while the protocols read a reply in parts (a header, then the rest). So a read asks for
    // whole packets, hands out what was asked for and keeps the excess for the next read of the
    // same endpoint. Kept bytes are handed out without a transfer, and a read they only partly
    // cover returns just them, as a short transfer would.
    int bulkRead(std::uint8_t endpoint, std::uint8_t* data, int length) override {
        if (length < 0) return -1;
        std::vector<std::uint8_t>& kept = kept_[endpoint];
        if (!kept.empty()) {
            const int served = std::min(length, static_cast<int>(kept.size()));
            std::copy_n(kept.begin(), served, data);
            kept.erase(kept.begin(), kept.begin() + served);
            return served;
        }
        const int whole = wholePackets(endpoint, length);
        if (whole == length) return transferIn(endpoint, data, length);
        // The buffers keep their capacity, so a burst of equal reads allocates only once.
        scratch_.resize(static_cast<std::size_t>(whole));
        const int moved = transferIn(endpoint, scratch_.data(), whole);
        if (moved < 0) return -1;
        const int handed = std::min(moved, length);
        std::copy_n(scratch_.begin(), handed, data);
        kept.assign(scratch_.begin() + handed, scratch_.begin() + moved);
        return handed;
    }

    std::optional<std::vector<std::uint8_t>> configurationDescriptor() override {
        libusb_config_descriptor* config = nullptr;
        if (libusb_get_config_descriptor(libusb_get_device(handle_), 0, &config) != 0)
            return std::nullopt;
        std::vector<std::uint8_t> bytes = serialise(*config);
        libusb_free_config_descriptor(config);
        return bytes;
    }

    // Bytes kept from before the reset belong to an exchange that is being abandoned.
    bool clearHalt(std::uint8_t endpoint) override {
        if (auto found = kept_.find(endpoint); found != kept_.end()) found->second.clear();
        return libusb_clear_halt(handle_, endpoint) == 0;
    }

  private:
    int transferIn(std::uint8_t endpoint, std::uint8_t* data, int length) {
        int moved = 0;
        const int result = libusb_bulk_transfer(handle_, endpoint, data, length, &moved, 0);
        return result == 0 ? moved : -1;
    }

    // The length rounded up to whole packets; an endpoint of unknown packet size, or a length
    // that cannot be rounded within an int, is read as it is.
    int wholePackets(std::uint8_t endpoint, int length) const {
        const auto found = packetSizes_.find(endpoint);
        if (found == packetSizes_.end() || found->second <= 0) return length;
        const long long size = found->second;
        const long long rounded = (length + size - 1) / size * size;
        return rounded <= INT_MAX ? static_cast<int>(rounded) : length;
    }

    libusb_device_handle* handle_;
    std::uint16_t vendorId_;
    std::uint16_t productId_;
    std::map<std::uint8_t, int> packetSizes_;
    std::map<std::uint8_t, std::vector<std::uint8_t>> kept_;
    std::vector<std::uint8_t> scratch_;
};

}  // namespace

LibusbPlatform::LibusbPlatform() {
    if (libusb_init(&context_) != 0) context_ = nullptr;
}

LibusbPlatform::~LibusbPlatform() {
    if (context_ != nullptr) libusb_exit(context_);
}

std::vector<UsbUnitInfo> LibusbPlatform::enumerate() {
    std::vector<UsbUnitInfo> units;
    DeviceList list(context_);
    for (const ListedDevice& listed : list.devices()) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(listed.device, &descriptor) != 0) continue;
        units.push_back({listed.path(), descriptor.idVendor, descriptor.idProduct});
    }
    return units;
}

std::unique_ptr<UsbConnection> LibusbPlatform::open(const std::string& path) {
    DeviceList list(context_);
    auto found = std::find_if(list.devices().begin(), list.devices().end(),
                              [&](const ListedDevice& listed) { return listed.path() == path; });
    if (found == list.devices().end()) return nullptr;
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(found->device, &descriptor) != 0) return nullptr;
    libusb_device_handle* handle = nullptr;
    if (libusb_open(found->device, &handle) != 0) return nullptr;
    // A kernel driver bound to the interface is detached while we hold it (not every platform
    // supports this; where it does not, claiming decides).
    libusb_set_auto_detach_kernel_driver(handle, 1);
    if (libusb_claim_interface(handle, claimedInterface) != 0) {
        libusb_close(handle);
        return nullptr;
    }
    return std::make_unique<LibusbConnection>(handle, descriptor, inPacketSizes(found->device));
}

}  // namespace spectro
