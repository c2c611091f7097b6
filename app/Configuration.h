#pragma once

#include <string>
#include <vector>

#include "app/SpectrometerRecord.h"

namespace quillfen {

// Number of placeholder records of discover-all mode: one per facade slot.
inline constexpr int PLACEHOLDER_COUNT = 32;

// Reads the input configuration. Never fails the run: a file that cannot be opened or parsed
// is reported and gives an empty list; a file without usable entries gives the placeholders of
// discover-all mode.
std::vector<SpectrometerRecord> readConfiguration(const std::string& path);

// Renders the records as the corrected configuration (four-space indented, returned) and, when
// a path is given and there are records, writes it there as compact JSON.
std::string writeConfiguration(const std::string& path,
                               const std::vector<SpectrometerRecord>& records);

// Turns every '/' and '\' of a configured path into this platform's separator.
std::string toPlatformSeparators(std::string path);

}  // namespace quillfen
