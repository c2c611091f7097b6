#include "device/buses/network/TCPIPv4SocketBus.h"

#include "device/buses/network/IPv4SocketDeviceLocator.h"
#include "device/buses/network/TCPIPv4SocketTransferHelper.h"
#include "device/common/Exceptions.h"

namespace spectro {

TCPIPv4SocketBus::TCPIPv4SocketBus(std::unique_ptr<Socket> socket) : socket(std::move(socket)) {}

TCPIPv4SocketBus::~TCPIPv4SocketBus() {
    // The helpers borrow the socket, so they go first.
    clearHelpers();
    if (socket && !socket->isClosed()) closeQuietly();
}

void TCPIPv4SocketBus::close() {
    if (socket) socket->close();
}

bool TCPIPv4SocketBus::openWith(std::unique_ptr<ProtocolHint> spectrumHint,
                                std::unique_ptr<ProtocolHint> controlHint) {
    const auto* target = dynamic_cast<const IPv4SocketDeviceLocator*>(location.get());
    if (target == nullptr || !socket) return false;
    try {
        socket->connect(target->getIPv4Address(), target->getPort());
        socket->setSOLinger(false, 1);
        socket->setReadTimeoutMillis(0);
    } catch (const BusConnectException&) {
        return false;  // the socket has already let its descriptor go
    } catch (const SocketException&) {
        closeQuietly();  // connected, but not set up as the helpers need it
        return false;
    }
    addHelper(std::move(spectrumHint), std::make_unique<TCPIPv4SocketTransferHelper>(socket.get()));
    addHelper(std::move(controlHint), std::make_unique<TCPIPv4SocketTransferHelper>(socket.get()));
    return true;
}

void TCPIPv4SocketBus::addHelper(std::unique_ptr<ProtocolHint> hint,
                                 std::unique_ptr<TransferHelper> helper) {
    Bus::addHelper(hint->getHintID(), std::move(helper));
}

void TCPIPv4SocketBus::closeQuietly() noexcept {
    try {
        socket->close();
    } catch (const BusException&) {
        // The descriptor is released whatever close reports.
    }
}

}  // namespace spectro
