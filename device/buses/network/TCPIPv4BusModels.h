#pragma once

#include "device/buses/network/TCPIPv4SocketBus.h"

namespace spectro {

// The Blaze over TCP: framed binary messages, spectrum and control on the one connection.
class BlazeTCPIPv4 : public TCPIPv4SocketBus {
  public:
    BlazeTCPIPv4();
    bool open() override;
};

// The Jaz over TCP: legacy commands, spectrum and control on the one connection.
class JazTCPIPv4 : public TCPIPv4SocketBus {
  public:
    JazTCPIPv4();
    bool open() override;
};

}  // namespace spectro
