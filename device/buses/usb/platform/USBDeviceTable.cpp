#include "device/buses/usb/platform/USBDeviceTable.h"

#include <algorithm>


namespace spectro {

USBDeviceTable& USBDeviceTable::instance() {
    static USBDeviceTable table;
    return table;
}

void USBDeviceTable::installPlatform(std::unique_ptr<UsbPlatform> platform) {
    // The connections belong to the old platform, so they go before it does.
    entries_ = {};
    count_ = 0;
    platform_ = std::move(platform);
}

namespace {

// Until an executable installs its platform there is no USB at all: a program or a test that
// forgets to choose one can never reach the units on the machine it runs on.
class NoUsbPlatform final : public UsbPlatform {
  public:
    std::vector<UsbUnitInfo> enumerate() override { return {}; }
    std::unique_ptr<UsbConnection> open(const std::string&) override { return nullptr; }
};

}  // namespace

UsbPlatform& USBDeviceTable::platform() {
    if (!platform_) platform_ = std::make_unique<NoUsbPlatform>();
    return *platform_;
}

USBDeviceEntry* USBDeviceTable::findInUse(std::int32_t deviceID) {
    for (auto& entry : entries_)
        if (entry.inUse && entry.deviceID == deviceID) return &entry;
    return nullptr;
}

const USBDeviceEntry* USBDeviceTable::findEntry(std::int32_t deviceID) const {
    for (const auto& entry : entries_)
        if (entry.inUse && entry.deviceID == deviceID) return &entry;
    return nullptr;
}

std::int32_t USBDeviceTable::probe(std::uint16_t vendorId, std::uint16_t productId) {
    const std::vector<UsbUnitInfo> units = platform().enumerate();
    std::vector<USBDeviceEntry*> markedNow;
    // Every listed unit is visited: the platform lists hubs and other units too, so a cap on
    // the number of units scanned could hide spectrometers; a full table is caught below.
    for (const UsbUnitInfo& unit : units) {
        auto known = std::find_if(entries_.begin(), entries_.end(), [&](const USBDeviceEntry& e) {
            return e.inUse && e.devicePath == unit.path;
        });
        if (known != entries_.end()) {
            known->seen = true;
            markedNow.push_back(&*known);
            continue;
        }
        if (unit.vendorId != vendorId || unit.productId != productId) continue;
        auto freeEntry = std::find_if(entries_.begin(), entries_.end(),
                                      [](const USBDeviceEntry& e) { return !e.inUse; });
        if (freeEntry == entries_.end()) {
            // A full table leaves every entry as it was, including the seen flags: a flag left
            // set would keep a vanished unit alive through the next probe.
            for (USBDeviceEntry* entry : markedNow) entry->seen = false;
            return -1;
        }
        freeEntry->deviceID = nextDeviceID_++;
        freeEntry->openHandle.reset();
        freeEntry->devicePath = unit.path;
        freeEntry->vendorId = vendorId;
        freeEntry->productId = productId;
        freeEntry->inUse = true;
        freeEntry->seen = true;
        markedNow.push_back(&*freeEntry);
        ++count_;
    }
    sweep(vendorId, productId);
    std::int32_t matching = 0;
    for (const auto& entry : entries_)
        if (entry.inUse && entry.vendorId == vendorId && entry.productId == productId) ++matching;
    return matching;
}

void USBDeviceTable::sweep(std::uint16_t vendorId, std::uint16_t productId) {
    std::int32_t kept = 0;
    for (auto& entry : entries_) {
        if (!entry.inUse) continue;
        if (entry.seen || entry.vendorId != vendorId || entry.productId != productId) {
            entry.seen = false;
            ++kept;
            continue;
        }
        // The unit is gone. Dropping the entry releases an open unit; the USB object that
        // opened it sees its handle expire and reports itself closed.
        entry = USBDeviceEntry{};
    }
    count_ = kept;
}

std::vector<std::int32_t> USBDeviceTable::listIds(std::uint16_t vendorId, std::uint16_t productId) {
    const std::int32_t found = probe(vendorId, productId);
    std::vector<std::int32_t> ids;
    if (found <= 0) return ids;
    for (const auto& entry : entries_) {
        if (static_cast<std::int32_t>(ids.size()) >= found) break;
        if (entry.inUse && entry.vendorId == vendorId && entry.productId == productId)
            ids.push_back(entry.deviceID);
    }
    return ids;
}

std::weak_ptr<USBDeviceHandle> USBDeviceTable::open(std::int32_t deviceID, int& errorCode) {
    errorCode = -1;
    USBDeviceEntry* entry = findInUse(deviceID);
    if (entry == nullptr || entry->openHandle) return {};
    std::unique_ptr<UsbConnection> connection = platform().open(entry->devicePath);
    if (!connection) return {};
    // Another unit may have taken the path since the probe.
    if (connection->vendorId() != entry->vendorId || connection->productId() != entry->productId)
        return {};
    auto handle = std::make_shared<USBDeviceHandle>();
    handle->deviceID = deviceID;
    handle->connection = std::move(connection);
    entry->openHandle = handle;
    errorCode = 0;
    return handle;
}

bool USBDeviceTable::release(const USBDeviceHandle& handle) {
    for (auto& entry : entries_) {
        if (entry.inUse && entry.openHandle.get() == &handle) {
            entry.openHandle.reset();
            return true;
        }
    }
    return false;
}

void installUsbPlatform(std::unique_ptr<UsbPlatform> platform) {
    USBDeviceTable::instance().installPlatform(std::move(platform));
}

std::int32_t probeUSBDevices(std::uint16_t vendorId, std::uint16_t productId) {
    return USBDeviceTable::instance().probe(vendorId, productId);
}

std::vector<std::int32_t> listUSBDeviceIds(std::uint16_t vendorId, std::uint16_t productId) {
    return USBDeviceTable::instance().listIds(vendorId, productId);
}

std::weak_ptr<USBDeviceHandle> openUSBDevice(std::int32_t deviceID, int& errorCode) {
    return USBDeviceTable::instance().open(deviceID, errorCode);
}

}  // namespace spectro
