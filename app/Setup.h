#pragma once

#include <cstdint>
#include <vector>

#include "app/SpectrometerRecord.h"
#include "device/api/SpectroWrapper.h"

namespace quillfen {

// Sets up every matched record in list order: strobe delays and line, integration time within
// the unit's limits, spectrum length, buffers, wavelength axis, calibration, one test spectrum,
// trigger mode and the expanded data file path. Returns false at the first failed step of any
// record (the failure is already reported); nothing after it is set up. Main thread only.
bool setupSpectrometers(spectro::SpectroWrapper& facade, std::vector<SpectrometerRecord>& records,
                        bool triggerOverride, std::int32_t shotNumber);

}  // namespace quillfen
