#pragma once

#include <termios.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace spectro {

// One serial port, run raw at 8N1 and the given bit rate. Opening keeps the line settings it
// found, and closing puts them back. Reads and writes never block: a pass moves what the port
// can take now, and the caller decides how long to keep trying.
// One device, one thread at a time.
class RS232 {
  public:
    // Throws IllegalArgumentException "Device path cannot be NULL." without a path.
    RS232(const std::optional<std::string>& devicePath, std::int32_t baudRate);
    virtual ~RS232();
    RS232(const RS232&) = delete;
    RS232& operator=(const RS232&) = delete;

    // Closes a port left open, then opens and sets up the port; false (with a warning on
    // standard error when the port cannot be opened) on failure, with nothing left open.
    bool open();
    // Restores the line settings found at opening and closes the port; nothing when closed.
    void close();
    bool isPortOpen() const { return port != nullptr && isOpen && port->opened != 0; }

    // One pass: reads (writes) in pieces of at most 1024 bytes until `length` bytes have moved
    // or the port has nothing more now. Returns the count moved, or -1 when the port reports an
    // error or has hung up (unplugged adapter, closed terminal), so that no caller waits for a
    // port that will never deliver.
    std::ptrdiff_t read(std::uint8_t* buffer, std::size_t length);
    std::ptrdiff_t write(const std::uint8_t* buffer, std::size_t length);

    const std::string& getDevicePath() const { return devicePath; }
    std::int32_t getBaudRate() const { return baudRate; }

  private:
    struct Port {
        int handle = -1;
        std::int32_t opened = 0;
        termios working{};
        termios saved{};
    };

    bool hungUp() const;
    template <class Move>
    std::ptrdiff_t inPieces(std::size_t length, Move move) const;

    std::unique_ptr<Port> port;
    bool isOpen = false;
    std::string devicePath;
    std::int32_t baudRate;
};

}  // namespace spectro
