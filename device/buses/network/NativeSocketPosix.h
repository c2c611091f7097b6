#pragma once

#include <cstdint>
#include <string>

#include "device/buses/network/Socket.h"

namespace spectro {

// A TCP socket on the system's sockets. It owns its descriptor: every failure path and every
// reconnection closes the one it had, so a bus that keeps failing never leaks descriptors.
// One device, one thread at a time.
class NativeSocketPosix : public Socket {
  public:
    NativeSocketPosix() = default;
    // Closes an open socket; a failing close is ignored here.
    ~NativeSocketPosix() override;
    NativeSocketPosix(const NativeSocketPosix&) = delete;
    NativeSocketPosix& operator=(const NativeSocketPosix&) = delete;

    void connect(const std::string& hostName, std::int32_t port) override;
    void connect(std::uint32_t address, std::int32_t port) override;
    void close() override;
    bool isClosed() const override { return closed; }
    bool isBound() const override { return bound; }
    std::int32_t getSOLinger() const override;
    void setSOLinger(bool enable, std::int32_t seconds) override;
    std::int32_t getReadTimeoutMillis() const override;
    void setReadTimeoutMillis(std::int32_t milliseconds) override;
    std::int32_t read(std::uint8_t* buffer, std::uint32_t size) override;
    // Never raises SIGPIPE: a closed peer is a write error like any other.
    std::int32_t write(const std::uint8_t* buffer, std::uint32_t size) override;

    // The IPv4 address of the last connection, in network byte order.
    std::uint32_t getAddress() const { return address; }

  private:
    int sock = -1;
    bool bound = false;
    bool closed = true;
    std::uint32_t address = 0;
};

}  // namespace spectro
