#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/fbp/FbpModelTable.h"
#include "sim/legacy/LegacyModelTable.h"

namespace spectro::sim {

enum class Timing { Realtime, Fast };

// What the pixel words of spectrum n (counted from 0 since the unit was opened) hold, word j
// being the value the host decodes before any gain adjustment of its own (legacy frames and
// framed spectrum messages alike; a binned STS spectrum has 1024 >> factor words):
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
    // whose frames have no sync byte, framed-binary ones included.
    std::optional<std::uint64_t> badSyncAtSpectrum;
    // Legacy commands with these first bytes fail: the transfer that writes them fails.
    // Refused on framed-binary models.
    std::set<std::uint8_t> failOpcodes;
    // Framed messages of these types are refused: the unit answers them with a NACK. Given as
    // JSON numbers or as texts such as "0x00110110"; refused on legacy models.
    std::set<std::uint32_t> nackMessageTypes;
};

// One unit of the bench, of a legacy or of a framed-binary model (exactly one of the two
// model pointers is set). "eeprom" and "fpga_version" belong to legacy models only.
struct UnitConfig {
    const LegacyModel* legacyModel = nullptr;
    const FbpModel* fbpModel = nullptr;
    std::string serial;
    SpectrumPattern pattern = SpectrumPattern::Lines;
    std::chrono::microseconds triggerOffset{0};
    // The board temperature; framed-binary units report it as temperature sensor 0 and as the
    // detector temperature while their cooler is off.
    double pcbTemperatureC = 25.0;
    std::uint16_t fpgaVersion = 12288;
    bool highSpeed = true;
    std::map<int, std::string> eeprom;  // slot texts that replace the defaults
    UnitFaults faults;

    const std::string& modelName() const {
        return legacyModel != nullptr ? legacyModel->name : fbpModel->name;
    }
};

// A bench file is one JSON object; unknown keys are refused, so a typo cannot pass as a default:
//   "timing"   "realtime" (default) or "fast" (nothing is waited for in wall time)
//   "trigger"  {"after_armed_ms": 300} (default), or null for a trigger that never fires
//   "devices"  the units, in bus order, each an object with
//     "model"              a legacy model ("HR2000+", "Jaz", ...) or a framed-binary one
//                          ("STS", "QE-PRO", "Spark", "Ventana", "Blaze")
//     "serial"             1 to 15 bytes (a framed-binary unit: 1 to 4096)
//     "pattern"            "lines" (default), "ramp" or "ramp16"
//     "trigger_offset_us", "pcb_temperature_c", "high_speed"
//     "fpga_version", "eeprom" {"slot": "text"}           legacy models only
//     "faults"             {"disconnect_after_spectra": n,
//                           "bad_sync_at_spectrum": n, "fail_opcodes": [n, ...]  (legacy only)
//                           "nack_message_types": [1114384, "0x00110110", ...]  (framed only)}
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
