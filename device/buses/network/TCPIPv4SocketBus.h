#pragma once

#include <memory>

#include "device/buses/network/Socket.h"
#include "device/common/Bus.h"
#include "device/common/DeviceLocator.h"
#include "device/common/ProtocolHint.h"

namespace spectro {

// A bus over one TCP connection. Its locator is only checked when it opens: a locator of
// another kind makes open fail. Both helpers use the one socket.
// One device, one thread at a time.
class TCPIPv4SocketBus : public Bus {
  public:
    // Drops the helpers, then closes the socket (a failing close is ignored).
    ~TCPIPv4SocketBus() override;

    BusFamily getBusFamily() const override { return BusFamilies().TCPIPv4; }
    void setLocation(const DeviceLocatorInterface& locator) override { location = locator.clone(); }
    DeviceLocatorInterface* getLocation() override { return location.get(); }
    // Closes the socket; the helpers stay and fail on it until the next open reconnects.
    // BusException when the system reports an error on closing.
    void close() override;
    // The bus's socket (borrowed).
    Socket* getSocket() const { return socket.get(); }

  protected:
    explicit TCPIPv4SocketBus(std::unique_ptr<Socket> socket);

    // Connects to the locator's host and port with lingering off and no read time-out, then
    // registers a helper for each hint. False (with the socket closed) when there is nothing
    // to connect to or connecting or setting an option fails.
    bool openWith(std::unique_ptr<ProtocolHint> spectrumHint,
                  std::unique_ptr<ProtocolHint> controlHint);

  private:
    void addHelper(std::unique_ptr<ProtocolHint> hint, std::unique_ptr<TransferHelper> helper);
    void closeQuietly() noexcept;

    std::unique_ptr<Socket> socket;
    std::unique_ptr<DeviceLocatorInterface> location;
};

}  // namespace spectro
