#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "device/buses/network/IPv4SocketDeviceLocator.h"
#include "device/buses/network/NativeSocketPosix.h"
#include "device/buses/network/TCPIPv4BusModels.h"
#include "device/buses/rs232/RS232DeviceLocator.h"
#include "device/common/Exceptions.h"
#include "device/common/ProtocolHint.h"
#include "device/support/MessageOf.h"

namespace spectro::test {
namespace {

// A name that cannot exist: its first label is longer than the 63 characters a name may have,
// so the resolver refuses it at once and no query leaves the machine.
const std::string UNKNOWN_HOST = std::string(64, 'x') + ".invalid";


using Bytes = std::vector<std::uint8_t>;
using ::testing::AnyOf;
using ::testing::MatchesRegex;

// A TCP endpoint on the loopback address at a port the system picks. Without listening it
// refuses every connection.
class LoopbackServer {
  public:
    explicit LoopbackServer(bool listening = true) {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            (listening && listen(fd, 8) != 0))
            throw std::runtime_error("no loopback server");
        socklen_t length = sizeof address;
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    ~LoopbackServer() {
        for (int peer : peers) ::close(peer);
        ::close(fd);
    }
    // The next connection's descriptor (owned by the server).
    int accept() {
        const int peer = ::accept(fd, nullptr, nullptr);
        if (peer < 0) throw std::runtime_error("accept failed");
        peers.push_back(peer);
        return peer;
    }
    void closePeers() {
        for (int peer : peers) ::close(peer);
        peers.clear();
    }

    int port = 0;

  private:
    int fd = -1;
    std::vector<int> peers;
};

Bytes readExactly(int fd, std::size_t length) {
    Bytes got(length);
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::recv(fd, got.data() + done, length - done, 0);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    got.resize(done);
    return got;
}

std::size_t openDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

TransferHelper* helperFor(const Bus& bus, const ProtocolHint& hint) {
    return bus.getHelper({&hint});
}

TransferHelper& controlHelper(const Bus& bus) {
    TransferHelper* helper = helperFor(bus, framedBinaryProtocol::FBPControlHint());
    if (helper == nullptr) throw std::logic_error("no helper");
    return *helper;
}

class TCPIPv4ByHost : public ::testing::TestWithParam<const char*> {};

TEST_P(TCPIPv4ByHost, ConnectsSetsItsOptionsAndMovesBytesBothWays) {
    LoopbackServer server;
    BlazeTCPIPv4 bus;
    bus.setLocation(IPv4SocketDeviceLocator(GetParam(), server.port));
    ASSERT_TRUE(bus.open());
    const int peer = server.accept();
    Socket& socket = *bus.getSocket();
    EXPECT_TRUE(socket.isBound());
    EXPECT_FALSE(socket.isClosed());
    EXPECT_EQ(socket.getSOLinger(), 0);
    EXPECT_EQ(socket.getReadTimeoutMillis(), 0);
    EXPECT_EQ(static_cast<NativeSocketPosix&>(socket).getAddress(), htonl(INADDR_LOOPBACK));
    EXPECT_NE(helperFor(bus, framedBinaryProtocol::FBPSpectrumHint()), nullptr);

    const Bytes message = {0xC1, 0xC0, 0x00, 0x10, 0x00, 0xFF, 0x0A, 0x0D};
    EXPECT_EQ(controlHelper(bus).send(message, 8), 8);
    EXPECT_EQ(readExactly(peer, 8), message);

    const Bytes reply = {0xC5, 0xC4, 0xC3, 0xC2, 0x00, 0x01};
    ASSERT_EQ(::send(peer, reply.data(), reply.size(), 0), 6);
    Bytes in(6);
    EXPECT_EQ(controlHelper(bus).receive(in, 6), 6);
    EXPECT_EQ(in, reply);

    bus.close();
    EXPECT_TRUE(socket.isClosed());
    EXPECT_FALSE(socket.isBound());
    EXPECT_NO_THROW(bus.close());                // already closed: nothing happens
    EXPECT_EQ(readExactly(peer, 1).size(), 0u);  // the peer sees the end of the stream
}

INSTANTIATE_TEST_SUITE_P(TCPIPv4, TCPIPv4ByHost, ::testing::Values("localhost", "127.0.0.1"));

TEST(TCPIPv4, JazRegistersTheLegacyHintsOnly) {
    LoopbackServer server;
    JazTCPIPv4 bus;
    bus.setLocation(IPv4SocketDeviceLocator("127.0.0.1", server.port));
    EXPECT_EQ(helperFor(bus, legacyProtocol::SpectrumHint()), nullptr);  // nothing before open
    ASSERT_TRUE(bus.open());
    EXPECT_NE(helperFor(bus, legacyProtocol::SpectrumHint()), nullptr);
    EXPECT_NE(helperFor(bus, legacyProtocol::ControlHint()), nullptr);
    EXPECT_EQ(helperFor(bus, ProtocolHint(1002, "other")), nullptr);
    EXPECT_EQ(bus.getBusFamily().getName(), "TCP/IPv4");
}

TEST(TCPIPv4, LingerAndReadTimeOutAreTheSystemOptions) {
    LoopbackServer server;
    BlazeTCPIPv4 bus;
    bus.setLocation(IPv4SocketDeviceLocator("127.0.0.1", server.port));
    ASSERT_TRUE(bus.open());
    server.accept();
    Socket& socket = *bus.getSocket();
    socket.setSOLinger(true, 5);
    EXPECT_EQ(socket.getSOLinger(), 5);
    socket.setSOLinger(false, 7);
    EXPECT_EQ(socket.getSOLinger(), 0);
    socket.setReadTimeoutMillis(3000);
    EXPECT_EQ(socket.getReadTimeoutMillis(), 3000);

    socket.setReadTimeoutMillis(200);
    Bytes in(4);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(controlHelper(bus).receive(in, 4), SocketTimeoutException);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
    EXPECT_EQ(messageOf([&] { controlHelper(bus).receive(in, 4); }),
              "No data available on non-blocking socket.");
}

TEST(TCPIPv4, APeerThatClosesMidReplyLeavesAShortReceive) {
    LoopbackServer server;
    BlazeTCPIPv4 bus;
    bus.setLocation(IPv4SocketDeviceLocator("localhost", server.port));
    ASSERT_TRUE(bus.open());
    const int peer = server.accept();
    Bytes sent(60);
    for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<std::uint8_t>(200 + i);
    ASSERT_EQ(::send(peer, sent.data(), sent.size(), 0), 60);
    server.closePeers();

    Bytes in(100, 0xEE);
    EXPECT_EQ(controlHelper(bus).receive(in, 100), 60);
    EXPECT_EQ(Bytes(in.begin(), in.begin() + 60), sent);
    EXPECT_EQ(in[60], 0xEE);
}

TEST(TCPIPv4, WritingToAClosedPeerIsAWriteErrorNotASignal) {
    LoopbackServer server;
    BlazeTCPIPv4 bus;
    bus.setLocation(IPv4SocketDeviceLocator("127.0.0.1", server.port));
    ASSERT_TRUE(bus.open());
    server.accept();
    server.closePeers();
    const Bytes message(16, 0x5A);
    std::string failure = "(nothing thrown)";
    // The first write may still be taken; the peer's reset fails a later one.
    for (int attempt = 0; attempt < 20 && failure == "(nothing thrown)"; ++attempt) {
        failure = messageOf([&] { controlHelper(bus).send(message, 16); });
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_THAT(failure, AnyOf("Socket error on write: Error " + std::to_string(EPIPE),
                               "Socket error on write: Error " + std::to_string(ECONNRESET)));
    EXPECT_THROW(controlHelper(bus).send(message, 16), BusTransferException);
}

TEST(TCPIPv4, RefusedAndUnresolvableConnectionsThrowTheirTexts) {
    LoopbackServer refusing(false);
    NativeSocketPosix socket;
    EXPECT_THROW(socket.connect("127.0.0.1", refusing.port), BusConnectException);
    EXPECT_EQ(messageOf([&] { socket.connect(htonl(INADDR_LOOPBACK), refusing.port); }),
              "Socket connect failed: Error " + std::to_string(ECONNREFUSED));
    EXPECT_TRUE(socket.isClosed());
    EXPECT_EQ(messageOf([&] { socket.connect(htonl(INADDR_LOOPBACK), 65536 + refusing.port); }),
              "Socket connect failed: Error " + std::to_string(EINVAL));

    EXPECT_THROW(socket.connect(UNKNOWN_HOST, 80), BusConnectException);
    EXPECT_THAT(messageOf([&] { socket.connect(UNKNOWN_HOST, 80); }),
                MatchesRegex("Failed to resolve hostname \\[x{64}\\.invalid\\]: -?[0-9]+"));
    EXPECT_TRUE(socket.isClosed());
}

TEST(TCPIPv4, OpenFailsWithoutAUsableTarget) {
    LoopbackServer refusing(false);
    struct Case {
        const char* what;
        std::unique_ptr<DeviceLocatorInterface> locator;
    };
    Case cases[] = {
        {"nothing listens", std::make_unique<IPv4SocketDeviceLocator>("127.0.0.1", refusing.port)},
        {"unknown host", std::make_unique<IPv4SocketDeviceLocator>(UNKNOWN_HOST, 80)},
        {"port out of range", std::make_unique<IPv4SocketDeviceLocator>("127.0.0.1", -1)},
        {"another kind of locator",
         std::make_unique<RS232DeviceLocator>(std::string("/dev/ttyS0"), 9600)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BlazeTCPIPv4 bus;
        bus.setLocation(*c.locator);
        EXPECT_TRUE(bus.getLocation()->equals(*c.locator));
        EXPECT_FALSE(bus.open());
        EXPECT_TRUE(bus.getSocket()->isClosed());
        EXPECT_EQ(helperFor(bus, framedBinaryProtocol::FBPControlHint()), nullptr);
    }
}

TEST(TCPIPv4, RefusedOpensAndReconnectionsLeaveNoDescriptorBehind) {
    LoopbackServer refusing(false);
    BlazeTCPIPv4 bus;
    bus.setLocation(IPv4SocketDeviceLocator("127.0.0.1", refusing.port));
    const std::size_t before = openDescriptors();
    for (int i = 0; i < 500; ++i) ASSERT_FALSE(bus.open());
    EXPECT_EQ(openDescriptors(), before);

    LoopbackServer server;
    const std::size_t withServer = openDescriptors();
    bus.setLocation(IPv4SocketDeviceLocator("127.0.0.1", server.port));
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(bus.open());
        server.accept();
        server.closePeers();
    }
    EXPECT_EQ(openDescriptors(), withServer + 1);  // only the latest connection is open
    bus.close();
    EXPECT_EQ(openDescriptors(), withServer);
}

// A socket whose options or closing fail as the test says, to reach the failure paths of the bus.
class FailingSocket : public Socket {
  public:
    FailingSocket(bool optionsFail, bool closeFails, int& closes)
        : optionsFail(optionsFail), closeFails(closeFails), closes(closes) {}
    void connect(const std::string&, std::int32_t) override { open = true; }
    void connect(std::uint32_t, std::int32_t) override { open = true; }
    void close() override {
        if (!open) return;
        open = false;
        ++closes;
        if (closeFails) throw BusException("Got error when trying to close socket: Error 5");
    }
    bool isClosed() const override { return !open; }
    bool isBound() const override { return open; }
    std::int32_t getSOLinger() const override { return 0; }
    void setSOLinger(bool, std::int32_t) override {
        if (optionsFail) throw SocketException("Failed to set socket options: Error 22");
    }
    std::int32_t getReadTimeoutMillis() const override { return 0; }
    void setReadTimeoutMillis(std::int32_t) override {}
    std::int32_t read(std::uint8_t*, std::uint32_t) override { return 0; }
    std::int32_t write(const std::uint8_t*, std::uint32_t size) override {
        return static_cast<std::int32_t>(size);
    }

  private:
    bool open = false;
    bool optionsFail;
    bool closeFails;
    int& closes;
};

class ScriptedSocketBus : public TCPIPv4SocketBus {
  public:
    explicit ScriptedSocketBus(std::unique_ptr<Socket> socket)
        : TCPIPv4SocketBus(std::move(socket)) {
        setLocation(IPv4SocketDeviceLocator("127.0.0.1", 1));
    }
    bool open() override {
        return openWith(std::make_unique<framedBinaryProtocol::FBPSpectrumHint>(),
                        std::make_unique<framedBinaryProtocol::FBPControlHint>());
    }
};

TEST(TCPIPv4, AFailedOptionClosesTheConnectionAndAFailedCloseNeverLeavesTheDestructor) {
    int closes = 0;
    {
        ScriptedSocketBus bus(std::make_unique<FailingSocket>(true, false, closes));
        EXPECT_FALSE(bus.open());
        EXPECT_EQ(closes, 1);
        EXPECT_TRUE(bus.getSocket()->isClosed());
        EXPECT_EQ(helperFor(bus, framedBinaryProtocol::FBPControlHint()), nullptr);
    }
    closes = 0;
    {
        auto bus = std::make_unique<ScriptedSocketBus>(
            std::make_unique<FailingSocket>(false, true, closes));
        ASSERT_TRUE(bus->open());
        EXPECT_NO_THROW(bus.reset());
    }
    EXPECT_EQ(closes, 1);
}

TEST(TCPIPv4, LocatorsCompareByHostAndPort) {
    const IPv4SocketDeviceLocator unit("192.0.2.7", 7777);
    EXPECT_TRUE(unit.clone()->equals(unit));
    EXPECT_EQ(unit.getDescription(), "TCP/IPv4:192.0.2.7:7777");
    EXPECT_EQ(unit.getBusFamily().getName(), "TCP/IPv4");
    EXPECT_FALSE(unit.equals(IPv4SocketDeviceLocator("192.0.2.7", 7778)));
}

}  // namespace
}  // namespace spectro::test
