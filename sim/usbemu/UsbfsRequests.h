#pragma once

#include "sim/usbemu/EmulatedUnit.h"

typedef struct _UMockdevIoctlClient UMockdevIoctlClient;

namespace spectro::sim {

// Answers one request of the kernel's USB file interface (usbfs) made on a unit's device node,
// the way libusb expects: bulk transfers as URBs queued per open file and reaped without
// blocking, claims that open a session with the unit, ENODEV once it is unplugged. Runs on
// umockdev's worker thread. Returns false for requests left to umockdev's own answer.
bool answerUsbfsRequest(UMockdevIoctlClient* client, EmulatedUnit& unit);

}  // namespace spectro::sim
