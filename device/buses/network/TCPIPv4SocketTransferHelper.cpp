#include "device/buses/network/TCPIPv4SocketTransferHelper.h"

#include <algorithm>

#include "device/buses/network/Socket.h"
#include "device/common/Exceptions.h"

namespace spectro {

namespace {

std::uint32_t bounded(std::size_t bufferSize, std::uint32_t length) {
    return static_cast<std::uint32_t>(
        std::min<std::size_t>({bufferSize, length, static_cast<std::size_t>(INT32_MAX)}));
}

}  // namespace

std::int32_t TCPIPv4SocketTransferHelper::receive(std::vector<std::uint8_t>& buffer,
                                                  std::uint32_t length) {
    const std::uint32_t wanted = bounded(buffer.size(), length);
    std::uint32_t done = 0;
    while (done < wanted) {
        std::int32_t n = 0;
        try {
            n = socket->read(buffer.data() + done, wanted - done);
        } catch (const BusTransferException&) {
            if (done == 0) throw;
            break;  // keep what already arrived
        }
        if (n < 1) break;
        done += static_cast<std::uint32_t>(n);
    }
    return static_cast<std::int32_t>(done);
}

std::int32_t TCPIPv4SocketTransferHelper::send(const std::vector<std::uint8_t>& buffer,
                                               std::uint32_t length) {
    const std::uint32_t wanted = bounded(buffer.size(), length);
    std::uint32_t done = 0;
    while (done < wanted) {
        const std::int32_t n = socket->write(buffer.data() + done, wanted - done);
        if (n < 1) break;
        done += static_cast<std::uint32_t>(n);
    }
    return static_cast<std::int32_t>(done);
}

}  // namespace spectro
