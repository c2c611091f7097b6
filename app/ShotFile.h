#pragma once

#include "app/SpectrometerRecord.h"

namespace quillfen {

// Writes the record's burst as an HDF5 file at its expanded data file path, replacing an
// existing file. Returns true when the file was completely written and closed. A failure is
// reported on the console and as a warning status line (taking consoleMutex) and returns
// false; a partly written file stays on disk. Main thread only, after the burst's thread ended.
bool saveShotFile(const SpectrometerRecord& record);

}  // namespace quillfen
