#pragma once

#include <vector>

#include "app/SpectrometerRecord.h"
#include "device/api/SpectroWrapper.h"

namespace quillfen {

// Opens every facade slot, identifies the unit in it and gives it to the record with its serial
// number (or to a placeholder); units no record wants are closed again. Returns the number of
// units that were connected.
int discoverSpectrometers(spectro::SpectroWrapper& facade,
                          std::vector<SpectrometerRecord>& records);

// Drops the records that hold no device and reports what is missing.
void pruneUnmatched(std::vector<SpectrometerRecord>& records, int connectedCount);

// Releases every matched record's buffers and closes its slot, then, unless automatic, waits
// for Enter.
void closeSpectrometers(spectro::SpectroWrapper* facade, std::vector<SpectrometerRecord>& records,
                        bool automatic);

}  // namespace quillfen
