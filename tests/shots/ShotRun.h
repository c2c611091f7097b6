#pragma once

// Whole shots run in a folder of their own: the bench and the configuration are written there,
// the program runs there, and its files land there.

#include <nlohmann/json.hpp>
#include <string>
#include <tuple>
#include <vector>

#include "app/support/TempDir.h"

namespace quillfen::shots {

// "st", "msg" and "device" of one status line.
using Status = std::tuple<int, std::string, std::string>;

struct Shot {
    int exitCode = -1;
    bool timedOut = false;
    std::string out;
    std::vector<std::string> outLines;
    std::vector<nlohmann::json> statusObjects;  // every line of standard error, parsed
    std::vector<Status> statuses;
    std::vector<std::string> dumpLines;  // with -v: the other lines of standard error, in order
};

class ShotFolder {
  public:
    std::string path() const { return dir.path().string(); }
    std::string file(const std::string& name) const { return dir.file(name); }

    // bench.json, read by quillfen-sim and quillfen-usbemu.
    void writeBench(const std::string& jsonText) const;
    // config.json, the program's input configuration, written as it stands.
    void writeConfiguration(const std::string& jsonText) const;
    void makeFolder(const std::string& name) const;

    bool exists(const std::string& name) const;
    // The names of the regular files in `folder` (relative to this folder), sorted.
    std::vector<std::string> files(const std::string& folder = "") const;

  private:
    testing::TempDir dir;
};

// quillfen-sim on the folder's bench, in the folder, with these arguments.
Shot runShot(const ShotFolder& folder, const std::vector<std::string>& arguments);

#ifdef QUILLFEN_USBEMU_EXECUTABLE
// The production quillfen, reaching the folder's bench through libusb on the emulated bus.
Shot runShotOnUsb(const ShotFolder& folder, const std::vector<std::string>& arguments);
#endif

// The statuses with this code.
std::vector<Status> statusesWithCode(const Shot& shot, int code);

}  // namespace quillfen::shots
