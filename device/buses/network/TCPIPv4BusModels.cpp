#include "device/buses/network/TCPIPv4BusModels.h"

#include <memory>

#include "device/buses/network/NativeSocketPosix.h"

namespace spectro {

BlazeTCPIPv4::BlazeTCPIPv4() : TCPIPv4SocketBus(std::make_unique<NativeSocketPosix>()) {}

bool BlazeTCPIPv4::open() {
    return openWith(std::make_unique<framedBinaryProtocol::FBPSpectrumHint>(),
                    std::make_unique<framedBinaryProtocol::FBPControlHint>());
}

JazTCPIPv4::JazTCPIPv4() : TCPIPv4SocketBus(std::make_unique<NativeSocketPosix>()) {}

bool JazTCPIPv4::open() {
    return openWith(std::make_unique<legacyProtocol::SpectrumHint>(),
                    std::make_unique<legacyProtocol::ControlHint>());
}

}  // namespace spectro
