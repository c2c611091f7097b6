#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "device/buses/rs232/RS232DeviceLocator.h"
#include "device/buses/rs232/SpectrometerRS232Interface.h"
#include "device/common/Exceptions.h"
#include "device/common/ProtocolHint.h"
#include "device/support/MessageOf.h"

namespace spectro::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A pseudo-terminal pair: the bus opens the terminal end by its path, the test plays the unit
// on the master end. The test keeps a terminal descriptor of its own to look at the line
// settings, which start cooked (1200 baud, 7 bits, even parity, echo) so that every change shows.
class RS232Port : public ::testing::Test {
  protected:
    void SetUp() override {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master), 0);
        ASSERT_EQ(unlockpt(master), 0);
        path = ptsname(master);
        terminal = ::open(path.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(terminal, 0);
        termios cooked{};
        ASSERT_EQ(tcgetattr(terminal, &cooked), 0);
        cooked.c_cflag |=
            CSTOPB;  // a pseudo-terminal keeps 8 bits without parity whatever it is told
        cooked.c_lflag |= ICANON | ECHO;
        cooked.c_iflag |= ICRNL;
        cfsetispeed(&cooked, B1200);
        cfsetospeed(&cooked, B1200);
        ASSERT_EQ(tcsetattr(terminal, TCSANOW, &cooked), 0);
    }
    void TearDown() override {
        if (terminal >= 0) ::close(terminal);
        closeMaster();
    }
    void closeMaster() {
        if (master >= 0) ::close(master);
        master = -1;
    }

    termios settings() const {
        termios now{};
        EXPECT_EQ(tcgetattr(terminal, &now), 0);
        return now;
    }
    void expectCookedSettings() const {
        const termios now = settings();
        EXPECT_EQ(cfgetospeed(&now), static_cast<speed_t>(B1200));
        EXPECT_NE(now.c_cflag & CSTOPB, 0u);
        EXPECT_NE(now.c_lflag & ICANON, 0u);
        EXPECT_NE(now.c_lflag & ECHO, 0u);
    }

    std::unique_ptr<SpectrometerRS232Interface> busAt(const std::string& port,
                                                      std::int32_t baudRate) {
        auto bus = std::make_unique<SpectrometerRS232Interface>();
        bus->setLocation(RS232DeviceLocator(port, baudRate));
        return bus;
    }
    static TransferHelper& helperOf(SpectrometerRS232Interface& bus) {
        const framedBinaryProtocol::FBPControlHint hint;
        TransferHelper* helper = bus.getHelper({&hint});
        if (helper == nullptr) throw std::logic_error("no helper");
        return *helper;
    }

    // Reads exactly `length` bytes from the master end, waiting at most two seconds.
    Bytes unitReads(std::size_t length) const {
        Bytes got;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (got.size() < length && std::chrono::steady_clock::now() < until) {
            pollfd watched{master, POLLIN, 0};
            if (poll(&watched, 1, 50) <= 0) continue;
            std::uint8_t piece[4096];
            const ssize_t n = ::read(master, piece, std::min(sizeof piece, length - got.size()));
            if (n <= 0) break;
            got.insert(got.end(), piece, piece + n);
        }
        return got;
    }
    void unitWrites(const Bytes& bytes) const {
        ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    int master = -1;
    int terminal = -1;
    std::string path;
};

// Every byte value, with the ones a cooked line would change (CR, NL, XON, XOFF, DEL, 0xFF).
Bytes everyByte() {
    Bytes bytes;
    for (int i = 0; i < 3; ++i)
        for (int value = 0; value < 256; ++value) bytes.push_back(static_cast<std::uint8_t>(value));
    return bytes;
}

class RS232Rates : public RS232Port,
                   public ::testing::WithParamInterface<std::pair<int, speed_t>> {};

TEST_P(RS232Rates, OpensRaw8N1AtTheRateAndRestoresTheLineOnClose) {
    auto bus = busAt(path, GetParam().first);
    ASSERT_TRUE(bus->open());
    const termios now = settings();
    EXPECT_EQ(cfgetospeed(&now), GetParam().second);
    EXPECT_EQ(cfgetispeed(&now), GetParam().second);
    EXPECT_EQ(now.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8));
    EXPECT_EQ(now.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(now.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(now.c_iflag & (ICRNL | IXON | IXOFF | ISTRIP | INPCK), 0u);
    EXPECT_EQ(now.c_oflag & OPOST, 0u);
    EXPECT_EQ(now.c_cc[VMIN], 0);
    EXPECT_EQ(now.c_cc[VTIME], 0);

    bus->close();
    expectCookedSettings();
}

INSTANTIATE_TEST_SUITE_P(RS232, RS232Rates,
                         ::testing::Values(std::pair<int, speed_t>{9600, B9600},
                                           std::pair<int, speed_t>{115200, B115200},
                                           std::pair<int, speed_t>{921600, B921600}));

TEST_F(RS232Port, MovesEveryByteUnchangedBothWays) {
    auto bus = busAt(path, 115200);
    ASSERT_TRUE(bus->open());
    const Bytes bytes = everyByte();  // 768 bytes: more than one read piece of 1024 when doubled

    Bytes out = bytes;
    out.insert(out.end(), bytes.begin(), bytes.end());
    EXPECT_EQ(helperOf(*bus).send(out, static_cast<std::uint32_t>(out.size())), 1536);
    EXPECT_EQ(unitReads(out.size()), out);
    pollfd more{master, POLLIN, 0};
    EXPECT_EQ(poll(&more, 1, 50), 0);  // and nothing more

    unitWrites(out);
    Bytes in(out.size() + 8, 0xEE);
    EXPECT_EQ(helperOf(*bus).receive(in, static_cast<std::uint32_t>(out.size())), 1536);
    EXPECT_EQ(Bytes(in.begin(), in.begin() + 1536), out);
    EXPECT_EQ(in[1536], 0xEE);
}

TEST_F(RS232Port, ReceiveKeepsWaitingForALateUnit) {
    auto bus = busAt(path, 9600);
    ASSERT_TRUE(bus->open());
    unitWrites({1, 2, 3, 4});
    std::thread late([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        unitWrites({5, 6, 7, 8, 9, 10});
    });
    Bytes in(10);
    const auto start = std::chrono::steady_clock::now();
    const std::int32_t got = helperOf(*bus).receive(in, 10);
    const auto waited = std::chrono::steady_clock::now() - start;
    late.join();
    EXPECT_EQ(got, 10);
    EXPECT_EQ(in, (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_GE(waited, std::chrono::milliseconds(140));
}

TEST_F(RS232Port, RefusedRateClosesThePortWithTheOldSettingsBack) {
    auto bus = busAt(path, 12345);
    EXPECT_FALSE(bus->open());
    expectCookedSettings();
    Bytes in(4);
    // The helper exists, but its port is closed.
    EXPECT_EQ(messageOf([&] { helperOf(*bus).receive(in, 4); }),
              "Failed to read any data from RS232.");
}

TEST_F(RS232Port, TransfersEndWhenThePortIsClosedOrHangsUp) {
    Bytes buffer(10);
    struct Case {
        const char* what;
        bool closeBus;  // else the terminal's other end goes away
        bool receive;
        const char* message;
    };
    const Case cases[] = {
        {"closed bus, receive", true, true, "Failed to read any data from RS232."},
        {"closed bus, send", true, false, "Failed to write any data to RS232."},
        {"hang-up, receive", false, true, "Failed to read any data from RS232."},
        {"hang-up, send", false, false, "Failed to write any data to RS232."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        auto bus = busAt(path, 9600);
        ASSERT_TRUE(bus->open());
        if (c.closeBus)
            bus->close();
        else
            closeMaster();
        EXPECT_EQ(messageOf([&] {
                      if (c.receive)
                          helperOf(*bus).receive(buffer, 10);
                      else
                          helperOf(*bus).send(buffer, 10);
                  }),
                  c.message);
    }
}

TEST_F(RS232Port, TerminalClosingMidReadEndsTheReceive) {
    auto bus = busAt(path, 9600);
    ASSERT_TRUE(bus->open());
    unitWrites({1, 2, 3, 4});
    std::thread unplug([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        closeMaster();
    });
    Bytes in(10);
    const std::string message = messageOf([&] { helperOf(*bus).receive(in, 10); });
    unplug.join();
    EXPECT_EQ(message, "Failed to read any data from RS232.");
    EXPECT_EQ(Bytes(in.begin(), in.begin() + 4), (Bytes{1, 2, 3, 4}));
}

TEST_F(RS232Port, PathsUpToTheSystemLimitOpenAndLongerOnesAreRefusedWhole) {
    // Leading slashes keep naming the same terminal.
    const std::string longest = std::string(PATH_MAX - 1 - path.size(), '/') + path;
    ASSERT_EQ(longest.size(), static_cast<std::size_t>(PATH_MAX - 1));
    auto bus = busAt(longest, 9600);
    EXPECT_TRUE(bus->open());
    bus->close();

    // Cut to the limit this would name the terminal: it must not be opened.
    testing::internal::CaptureStderr();
    auto tooLong = busAt(longest + "X", 9600);
    EXPECT_FALSE(tooLong->open());
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Warning: failed to open device " + longest + "X, error=-1\n");
    expectCookedSettings();
}

TEST(RS232, PortsThatCannotBeOpenedWarnAndFail) {
    for (const char* port : {"/dev/quillfen-no-such-port", "/dev/null"}) {
        SCOPED_TRACE(port);
        SpectrometerRS232Interface bus;
        bus.setLocation(RS232DeviceLocator(std::string(port), 9600));
        testing::internal::CaptureStderr();
        EXPECT_FALSE(bus.open());
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  std::string("Warning: failed to open device ") + port + ", error=-1\n");
    }
}

class OtherRS232Locator : public RS232DeviceLocator {
  public:
    OtherRS232Locator() : RS232DeviceLocator(std::string("/dev/ttyS0"), 9600) {}
    std::unique_ptr<DeviceLocatorInterface> clone() const override {
        return std::make_unique<USBDeviceLocator>(1);  // a clone of the wrong kind
    }
    BusFamily getBusFamily() const override { return BusFamilies().RS232; }
};

TEST(RS232, SetLocationRefusesLocatorsItCannotUse) {
    struct Case {
        std::unique_ptr<DeviceLocatorInterface> locator;
        const char* message;
    };
    Case cases[] = {
        {std::make_unique<USBDeviceLocator>(3), "Invalid bus on device locator."},
        {std::make_unique<OtherRS232Locator>(), "Invalid device locator for RS232 interface."},
        {std::make_unique<RS232DeviceLocator>(std::nullopt, 9600), "Device path cannot be NULL."},
    };
    for (const Case& c : cases) {
        SpectrometerRS232Interface bus;
        EXPECT_THROW(bus.setLocation(*c.locator), IllegalArgumentException);
        EXPECT_EQ(messageOf([&] { bus.setLocation(*c.locator); }), c.message);
        EXPECT_EQ(bus.getLocation(), nullptr);
    }
}

TEST(RS232, WithoutALocationOpenFailsAndNoHelperIsMade) {
    SpectrometerRS232Interface bus;
    const framedBinaryProtocol::FBPControlHint hint;
    EXPECT_FALSE(bus.open());
    EXPECT_EQ(bus.getHelper({&hint}), nullptr);
    EXPECT_EQ(bus.getBusFamily().getName(), "RS232");
}

TEST(RS232, LocatorsCompareByPortAndCloneWhole) {
    const RS232DeviceLocator port(std::string("/dev/ttyUSB0"), 115200);
    const auto copy = port.clone();
    EXPECT_TRUE(copy->equals(port));
    EXPECT_EQ(copy->getDescription(), "RS232:/dev/ttyUSB0@115200");
    EXPECT_FALSE(port.equals(RS232DeviceLocator(std::string("/dev/ttyUSB1"), 115200)));
    EXPECT_FALSE(
        port.equals(USBDeviceLocator(static_cast<std::uint32_t>(port.getUniqueLocation()))));
}

}  // namespace
}  // namespace spectro::test
