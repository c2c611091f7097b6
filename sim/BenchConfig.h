#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/ModelTable.h"

namespace spectro::sim {

enum class Timing { Realtime, Fast };

// What the words of spectrum n (counted from 0 since the unit was opened) hold, word j of the
// frame being the value the host decodes before any gain adjustment of its own:
//   "lines"   a few emission lines on a baseline, growing with the integration time;
//   "ramp"    (7 n + j) mod 4096;
//   "ramp16"  (40503 (n + 1) + 1031 j) mod 65536, all 16 bits busy so that a wrong XOR, mask
//             or byte order shows on nearly every pixel (the 2K layout carries the low 12 bits).
enum class SpectrumPattern { Lines, Ramp, Ramp16 };

// Spectra are counted from the unit's opening: the host's setup opens the unit and takes one
// test spectrum (spectrum 0), so frame k (from 0) of the burst that follows is spectrum k + 1.
struct UnitFaults {
    // The unit is unplugged once it has sent this many spectra since it was opened.
    std::optional<std::uint64_t> disconnectAfterSpectra;
    // The spectrum with this index ends with 0x00 instead of its sync byte. Refused on a model
    // whose frames have no sync byte.
    std::optional<std::uint64_t> badSyncAtSpectrum;
    // Commands with these first bytes fail: the transfer that writes them fails.
    std::set<std::uint8_t> failOpcodes;
};

struct UnitConfig {
    const ModelTraits* model = nullptr;
    std::string serial;
    SpectrumPattern pattern = SpectrumPattern::Lines;
    std::chrono::microseconds triggerOffset{0};
    double pcbTemperatureC = 25.0;
    std::uint16_t fpgaVersion = 12288;
    bool highSpeed = true;
    std::map<int, std::string> eeprom;  // slot texts that replace the defaults
    UnitFaults faults;
};

struct BenchConfig {
    Timing timing = Timing::Realtime;
    std::optional<std::chrono::milliseconds> triggerAfterArmed{300};  // none: never fires
    std::vector<UnitConfig> units;  // listed on the bus in this order
};

// A bench that cannot be used; the message is the reason.
class BenchError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Throws BenchError with the reason when the text is not valid JSON or not a valid bench.
BenchConfig parseBench(const std::string& jsonText);
// Throws BenchError also when the file cannot be read.
BenchConfig readBenchFile(const std::string& path);

// Two HR2000+ units, "HR+C1834" and "HR+C0732", a hardware trigger 300 ms after arming.
BenchConfig demoBench();

}  // namespace spectro::sim
