// The byte-stream transports: a unit on a loopback TCP port and a unit behind a
// pseudo-terminal, reached with plain POSIX calls as a host reaches them.

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "sim/SimBench.h"
#include "sim/transports/PseudoTerminalUnit.h"
#include "sim/transports/TcpUnitServer.h"
#include "tests/sim/support/FramedMessages.h"
#include "tests/sim/support/SimTestBench.h"

namespace spectro::sim::test {
namespace {

using framed::message;
using framed::text;

int connectTo(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool sendAll(int fd, const Bytes& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

bool writeAll(int fd, const Bytes& bytes) {
    return ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

// Reads until `length` bytes have come or the other side has ended the stream.
Bytes readUpTo(int fd, std::size_t length) {
    Bytes bytes(length);
    std::size_t got = 0;
    while (got < length) {
        const ssize_t n = ::read(fd, bytes.data() + got, length - got);
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

std::size_t openDescriptors() {
    std::size_t count = 0;
    DIR* folder = ::opendir("/proc/self/fd");
    while (const dirent* entry = ::readdir(folder))
        if (entry->d_name[0] != '.') ++count;
    ::closedir(folder);
    return count;
}

// Lets the server's threads notice what the host did; a hang fails the test by its time-out.
template <typename Condition>
void waitUntil(Condition condition) {
    while (!condition()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

std::shared_ptr<SimBench> benchOf(const std::string& json) {
    return std::make_shared<SimBench>(parseBench(json));
}

TEST(SimTcpUnit, TheBlazeAnswersQueriesAndSpectraOverTheConnection) {
    const auto bench = benchOf(oneUnitBench("Blaze", R"(, "pattern": "ramp")"));
    TcpUnitServer server(bench->units()[0]);
    ASSERT_NE(server.port(), 0);
    const int host = connectTo(server.port());
    ASSERT_GE(host, 0);
    ASSERT_TRUE(sendAll(host, message(0x00000100)));
    EXPECT_EQ(readUpTo(host, 64), message(0x00000100, 0, text("SIM00001")));
    ASSERT_TRUE(sendAll(host, message(0x00101000)));
    const Bytes spectrum = readUpTo(host, 4240);
    ASSERT_EQ(spectrum.size(), 4240u);
    EXPECT_EQ(framed::get32(spectrum, 8), 0x00101000u);
    for (std::size_t j = 0; j < 2088; ++j)
        ASSERT_EQ(spectrum[44 + 2 * j] | (spectrum[45 + 2 * j] << 8), j % 4096) << j;
    ::close(host);
}

// The Blaze pads its messages on USB only: on its network link an 18-byte text travels as an
// 82-byte message, and the next reply follows right behind it.
TEST(SimTcpUnit, TheBlazeDoesNotPadOnItsNetworkLink) {
    const std::string serial = "BLZ-0123456789ABC";
    const auto bench = benchOf(R"({"timing": "fast", "trigger": null, "devices": [
        {"model": "Blaze", "serial": ")" + serial + R"("}]})");
    TcpUnitServer server(bench->units()[0]);
    const int host = connectTo(server.port());
    ASSERT_GE(host, 0);
    ASSERT_TRUE(sendAll(host, message(0x00000100)));
    EXPECT_EQ(readUpTo(host, 82), message(0x00000100, 0, text(serial)));
    ASSERT_TRUE(sendAll(host, message(0x00000101)));
    EXPECT_EQ(readUpTo(host, 64), message(0x00000101, 0, {18}));
    ::close(host);
}

// A legacy unit over TCP: the same command bytes as over USB, every reply from the one stream.
TEST(SimTcpUnit, TheJazTakesLegacyCommandsInPiecesAndSendsEveryReplyOnTheStream) {
    const auto bench = benchOf(oneUnitBench("Jaz", R"(, "pattern": "ramp")"));
    TcpUnitServer server(bench->units()[0]);
    const int host = connectTo(server.port());
    ASSERT_GE(host, 0);
    ASSERT_TRUE(sendAll(host, {0x02, 0x20}));  // 20 ms, in two pieces
    ASSERT_TRUE(sendAll(host, {0x4E, 0x00, 0x00}));
    ASSERT_TRUE(sendAll(host, {0xFE}));
    const Bytes status = readUpTo(host, 16);
    ASSERT_EQ(status.size(), 16u);
    EXPECT_EQ(Bytes(status.begin(), status.begin() + 6),
              (Bytes{0x00, 0x08, 0x20, 0x4E, 0x00, 0x00}));
    ASSERT_TRUE(sendAll(host, {0x09}));
    const Bytes frame = readUpTo(host, 4096);
    ASSERT_EQ(frame.size(), 4096u);
    for (std::size_t j = 0; j < 2048; ++j)
        ASSERT_EQ(frame[2 * j] | (frame[2 * j + 1] << 8), j % 4096) << j;
    ::close(host);
}

TEST(SimTcpUnit, OneHostAtATimeAndAClosedConnectionEndsTheSession) {
    const auto bench = benchOf(oneUnitBench("Blaze"));
    TcpUnitServer server(bench->units()[0]);
    const int first = connectTo(server.port());
    ASSERT_GE(first, 0);
    waitUntil([&] { return server.connected(); });
    const int second = connectTo(server.port());
    ASSERT_GE(second, 0);
    EXPECT_TRUE(readUpTo(second, 1).empty()) << "a second host is turned away";
    ::close(second);

    ::close(first);
    waitUntil([&] { return !server.connected(); });
    const int third = connectTo(server.port());
    ASSERT_GE(third, 0);
    ASSERT_TRUE(sendAll(third, message(0x00000101)));
    EXPECT_EQ(readUpTo(third, 64), message(0x00000101, 0, {16}));
    ::close(third);
}

TEST(SimTcpUnit, APeerThatClosesMidReply) {
    const auto bench = benchOf(oneUnitBench("Blaze"));
    TcpUnitServer server(bench->units()[0]);
    server.endConnectionAfterReplyBytes(30);  // applies to the next connection
    const int host = connectTo(server.port());
    ASSERT_GE(host, 0);
    ASSERT_TRUE(sendAll(host, message(0x00000100)));
    const Bytes cut = readUpTo(host, 64);
    const Bytes whole = message(0x00000100, 0, text("SIM00001"));
    EXPECT_EQ(cut, Bytes(whole.begin(), whole.begin() + 30));
    ::close(host);

    // The next host finds the unit afresh, until it is dropped at once.
    waitUntil([&] { return !server.connected(); });
    const int next = connectTo(server.port());
    ASSERT_GE(next, 0);
    ASSERT_TRUE(sendAll(next, message(0x00000100)));
    EXPECT_EQ(readUpTo(next, 64), whole);
    server.endConnection();
    EXPECT_FALSE(server.connected());
    EXPECT_TRUE(readUpTo(next, 1).empty());
    ::close(next);
}

// A host mistake ends the connection rather than leaving the host waiting for a reply.
TEST(SimTcpUnit, BytesThatHoldNoMessageEndTheConnection) {
    const auto bench = benchOf(oneUnitBench("Blaze"));
    TcpUnitServer server(bench->units()[0]);
    const int host = connectTo(server.port());
    ASSERT_GE(host, 0);
    ASSERT_TRUE(sendAll(host, {0xC1, 0x00}));
    EXPECT_TRUE(readUpTo(host, 64).empty());
    ::close(host);
}

class SimPseudoTerminal : public ::testing::Test {
  protected:
    void SetUp() override {
        bench = benchOf(oneUnitBench("STS"));
        terminal = std::make_unique<PseudoTerminalUnit>(bench->units()[0]);
        ASSERT_EQ(terminal->path().rfind("/dev/pts/", 0), 0u) << terminal->path();
    }
    int openPort() { return ::open(terminal->path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC); }

    std::shared_ptr<SimBench> bench;
    std::unique_ptr<PseudoTerminalUnit> terminal;
};

TEST_F(SimPseudoTerminal, TheSTSAnswersOnARawTerminalAcrossOpenings) {
    const int port = openPort();
    ASSERT_GE(port, 0);
    termios settings{};
    ASSERT_EQ(::tcgetattr(port, &settings), 0);
    EXPECT_EQ(settings.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
    EXPECT_EQ(settings.c_iflag & (ICRNL | INLCR | IXON | ISTRIP), 0u);
    EXPECT_EQ(settings.c_oflag & OPOST, 0u);
    ASSERT_TRUE(writeAll(port, message(0x00000100)));
    // An echo would come first and spoil these bytes.
    EXPECT_EQ(readUpTo(port, 64), message(0x00000100, 0, text("SIM00001")));
    ::close(port);

    const int again = openPort();
    ASSERT_GE(again, 0);
    ASSERT_TRUE(writeAll(again, message(0x00000080, 0, {0})));
    EXPECT_EQ(readUpTo(again, 64), message(0x00000080, 0, {2}));
    ::close(again);
    EXPECT_FALSE(terminal->hungUp());
}

TEST_F(SimPseudoTerminal, ATerminalThatClosesMidRead) {
    const int port = openPort();
    ASSERT_GE(port, 0);
    terminal->hangUpAfterReplyBytes(20);
    ASSERT_TRUE(writeAll(port, message(0x00000100)));
    const Bytes whole = message(0x00000100, 0, text("SIM00001"));
    EXPECT_EQ(readUpTo(port, 64), Bytes(whole.begin(), whole.begin() + 20));
    ::close(port);
}

TEST_F(SimPseudoTerminal, HangingUpEndsTheLineAtOnce) {
    const int port = openPort();
    ASSERT_GE(port, 0);
    terminal->hangUp();
    EXPECT_TRUE(terminal->hungUp());
    EXPECT_TRUE(readUpTo(port, 1).empty());
    ::close(port);
}

// Both transports stop when destroyed, even with a reply that never comes (a hardware trigger
// that never fires), and leave no descriptor behind.
TEST(SimStreamTransports, StopOnDestructionWithoutLeavingADescriptor) {
    const std::size_t before = openDescriptors();
    {
        const auto bench = benchOf(R"({"timing": "fast", "trigger": null, "devices": [
            {"model": "Jaz", "serial": "A"}, {"model": "STS", "serial": "B"}]})");
        TcpUnitServer server(bench->units()[0]);
        PseudoTerminalUnit terminal(bench->units()[1]);
        const int host = connectTo(server.port());
        ASSERT_GE(host, 0);
        ASSERT_TRUE(sendAll(host, {0x0A, 0x01, 0x00, 0x09}));  // hardware trigger, a spectrum
        const int port = ::open(terminal.path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(port, 0);
        ASSERT_TRUE(writeAll(port, message(0x00110110, 0, {1})));
        ASSERT_TRUE(writeAll(port, message(0x00101000)));
        waitUntil([&] { return server.connected(); });
        ::close(host);
        ::close(port);
    }
    EXPECT_EQ(openDescriptors(), before);
}

TEST(SimStreamTransports, AUnitOpenElsewhereIsNotServed) {
    SimTestBench bench(oneUnitBench("STS"));
    auto usb = bench.open(0);
    ASSERT_NE(usb, nullptr);
    EXPECT_THROW(PseudoTerminalUnit terminal(bench.bench().units()[0]), std::runtime_error);
    TcpUnitServer server(bench.bench().units()[0]);
    const int host = connectTo(server.port());
    ASSERT_GE(host, 0);
    EXPECT_TRUE(readUpTo(host, 1).empty());
    ::close(host);
}

}  // namespace
}  // namespace spectro::sim::test
