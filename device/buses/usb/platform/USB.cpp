#include "device/buses/usb/platform/USB.h"

#include <cstdio>

#include "device/buses/usb/platform/UsbDescriptors.h"

namespace spectro {

namespace {

// What tells the two directions of a bulk transfer apart in the diagnostics.
struct Direction {
    const char* arrow;
    const char* verb;
    const char* notOpened;
};

const Direction OUT{">>", "write", "ERROR: tried to write to a USB device that is not opened.\n"};
const Direction IN{"<<", "read", "ERROR: tried to read a USB device that is not opened.\n"};

// The unit's record while it is open; otherwise none, and the complaint when verbose.
USBDeviceHandle* openedOrComplain(const std::shared_ptr<USBDeviceHandle>& live, bool opened,
                                  const char* complaint) {
    if (live && opened) return live.get();
    if (USB::verbose) std::fprintf(stderr, "%s", complaint);
    return nullptr;
}

// One bulk transfer with the diagnostics both directions share; `move` is the platform call.
// The header goes out before the open check, so a verbose trace shows every attempt.
template <class Move>
int bulkTransfer(const Direction& direction, const std::shared_ptr<USBDeviceHandle>& live,
                 bool opened, std::uint8_t endpoint, const std::uint8_t* bytes, int length,
                 Move move) {
    if (USB::verbose) {
        std::fprintf(stderr, "%s Transferring %d bytes via endpoint 0x%02X:", direction.arrow,
                     length, endpoint);
        std::fprintf(stderr, "\n");
        std::fflush(stderr);
    }
    USBDeviceHandle* unit = openedOrComplain(live, opened, direction.notOpened);
    if (unit == nullptr) return -1;
    const int moved = length < 0 ? -1 : move(*unit->connection);
    if (moved < 0) {
        if (USB::verbose)
            std::fprintf(stderr,
                         "Warning: got error %d while trying to %s %d bytes over USB endpoint %d\n",
                         -1, direction.verb, length, endpoint);
        return -1;
    }
    if (USB::verbose) USB::dumpTransfer(bytes, length, endpoint);
    return moved;
}

}  // namespace

USB::USB(std::uint32_t deviceID) : deviceID_(deviceID) {}

USB::~USB() {
    if (opened_) close();
}

std::shared_ptr<USBDeviceHandle> USB::liveHandle() {
    std::shared_ptr<USBDeviceHandle> live = handle_.lock();
    if (!live) {
        handle_.reset();
        opened_ = false;
    }
    return live;
}

bool USB::isOpened() { return opened_ && liveHandle() != nullptr; }

bool USB::open() {
    if (opened_ || !handle_.expired()) close();
    int error = -1;
    handle_ = openUSBDevice(static_cast<std::int32_t>(deviceID_), error);
    if (!handle_.expired()) {
        opened_ = true;
        if (verbose)
            std::fprintf(stderr, "Opened device with ID %ld\n", static_cast<long>(deviceID_));
        return true;
    }
    handle_.reset();
    std::printf("Could not open device with ID %ld. error=%d\n", static_cast<long>(deviceID_),
                error);
    if (verbose)
        std::fprintf(stderr, "Warning: failed to open device with ID %ld, error=%d\n",
                     static_cast<long>(deviceID_), error);
    return false;
}

bool USB::close() {
    std::shared_ptr<USBDeviceHandle> live = handle_.lock();
    handle_.reset();
    opened_ = false;
    if (!live) return false;
    USBDeviceTable::instance().release(*live);
    return true;
}

int USB::write(std::uint8_t endpoint, const void* data, int length) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    const std::shared_ptr<USBDeviceHandle> live = liveHandle();
    return bulkTransfer(
        OUT, live, opened_, endpoint, bytes, length,
        [&](UsbConnection& connection) { return connection.bulkWrite(endpoint, bytes, length); });
}

int USB::read(std::uint8_t endpoint, void* buffer, int length) {
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    const std::shared_ptr<USBDeviceHandle> live = liveHandle();
    return bulkTransfer(IN, live, opened_, endpoint, bytes, length, [&](UsbConnection& connection) {
        return connection.bulkRead(endpoint, bytes, length);
    });
}

void USB::dumpTransfer(const std::uint8_t* buffer, int length, std::uint8_t endpoint) {
    std::fprintf(stderr, "Endpoint 0x%02X transferred %d bytes %s:\n", endpoint, length,
                 (endpoint & 0x80) != 0 ? "in" : "out");
    // length / 16 + 1 rows: a length that is a multiple of 16 ends with a row that shows only
    // its offset.
    const int rows = length < 0 ? 1 : length / 16 + 1;
    for (int row = 0; row < rows; ++row) {
        // "%04X" is a minimum width: offsets from 0x10000 on take up to eight digits, and the
        // row must still end with its line break.
        char line[12 + 16 * 3 + 2];
        int used = std::snprintf(line, sizeof line, "[%04X]: ", static_cast<unsigned>(row * 16));
        for (int i = row * 16; i < row * 16 + 16 && i < length; ++i)
            used += std::snprintf(line + used, sizeof line - static_cast<std::size_t>(used),
                                  "%02X ", buffer[i]);
        std::snprintf(line + used, sizeof line - static_cast<std::size_t>(used), "\n");
        std::fprintf(stderr, "%s", line);
    }
    std::fflush(stderr);
}

int USB::getMaxPacketSize() {
    const std::shared_ptr<USBDeviceHandle> live = liveHandle();
    USBDeviceHandle* unit = openedOrComplain(live, opened_, IN.notOpened);
    if (unit == nullptr) return -1;
    const auto descriptor = unit->connection->configurationDescriptor();
    if (!descriptor) return -1;
    const int largest = largestPacketSizeOfFirstInterface(*descriptor);
    if (largest < 0) return -1;
    if (verbose) std::fprintf(stderr, "Max packet size is %d\n", largest);
    return largest;
}

void USB::resetPipe(std::uint8_t endpoint) {
    const std::shared_ptr<USBDeviceHandle> live = liveHandle();
    USBDeviceHandle* unit = openedOrComplain(
        live, opened_, "ERROR: tried to access a USB device that is not opened.\n");
    if (unit != nullptr) unit->connection->clearHalt(endpoint);
}

}  // namespace spectro
