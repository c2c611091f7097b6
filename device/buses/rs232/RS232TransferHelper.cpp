#include "device/buses/rs232/RS232TransferHelper.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <thread>

#include "device/buses/rs232/RS232.h"
#include "device/common/Exceptions.h"

namespace spectro {

namespace {

constexpr auto pollInterval = std::chrono::milliseconds(10);

// Calls `pass` until `length` bytes have moved; `pass` moves some bytes from the given offset
// and returns their count, 0 for none yet, or a negative count for a failed port.
template <typename Pass>
std::int32_t moveAll(const RS232* rs232, std::size_t length, const char* failure, Pass pass) {
    std::size_t done = 0;
    while (done < length) {
        if (rs232 == nullptr || !rs232->isPortOpen()) throw BusTransferException(failure);
        const std::ptrdiff_t moved = pass(done);
        if (moved < 0) throw BusTransferException(failure);
        if (moved == 0)
            std::this_thread::sleep_for(pollInterval);
        else
            done += static_cast<std::size_t>(moved);
    }
    return static_cast<std::int32_t>(done);
}

std::size_t bounded(std::size_t bufferSize, std::uint32_t length) {
    return std::min<std::size_t>({bufferSize, length, static_cast<std::size_t>(INT32_MAX)});
}

}  // namespace

std::int32_t RS232TransferHelper::receive(std::vector<std::uint8_t>& buffer, std::uint32_t length) {
    const std::size_t wanted = bounded(buffer.size(), length);
    return moveAll(rs232, wanted, "Failed to read any data from RS232.", [&](std::size_t done) {
        return rs232->read(buffer.data() + done, wanted - done);
    });
}

std::int32_t RS232TransferHelper::send(const std::vector<std::uint8_t>& buffer,
                                       std::uint32_t length) {
    const std::size_t wanted = bounded(buffer.size(), length);
    return moveAll(rs232, wanted, "Failed to write any data to RS232.", [&](std::size_t done) {
        return rs232->write(buffer.data() + done, wanted - done);
    });
}

}  // namespace spectro
