#include "sim/usbemu/EmulatedBus.h"

#include <umockdev.h>

#include <stdexcept>

#include "sim/usbemu/UsbfsRequests.h"

namespace spectro::sim {

namespace {

gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer unit) {
    return answerUsbfsRequest(client, *static_cast<EmulatedUnit*>(unit)) ? TRUE : FALSE;
}

[[noreturn]] void fail(const std::string& what, GError* error) {
    const std::string message = error != nullptr ? error->message : "unknown error";
    if (error != nullptr) g_error_free(error);
    throw std::runtime_error(what + ": " + message);
}

}  // namespace

EmulatedBus::EmulatedBus() : testbed_(umockdev_testbed_new()) {}

// The testbed goes first, so that no request reaches a unit while the units go.
EmulatedBus::~EmulatedBus() {
    g_object_unref(testbed_);
    for (UMockdevIoctlBase* handler : handlers_) g_object_unref(handler);
}

void EmulatedBus::add(const UnitPlace& place, std::shared_ptr<EmulatedUnit> unit) {
    Entry entry{std::move(unit), sysfsPath(place), false};
    if (!entry.unit->present()) {
        entry.removed = true;
        units_.push_back(std::move(entry));
        return;
    }
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed_, udevDescription(place).c_str(), &error))
        fail("cannot add an emulated unit", error);
    UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(onIoctl), entry.unit.get());
    handlers_.push_back(handler);
    units_.push_back(std::move(entry));
    if (!umockdev_testbed_attach_ioctl(testbed_, deviceNode(place).c_str(), handler, &error))
        fail("cannot answer an emulated unit", error);
}

// The removal event lets a running libusb's hot-plug monitor notice at once.
void EmulatedBus::removeUnplugged() {
    for (Entry& entry : units_) {
        if (entry.removed || entry.unit->present()) continue;
        entry.removed = true;
        umockdev_testbed_uevent(testbed_, entry.sysPath.c_str(), "remove");
        umockdev_testbed_remove_device(testbed_, entry.sysPath.c_str());
    }
}

}  // namespace spectro::sim
