#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "app/SpectrometerRecord.h"
#include "device/api/SpectroWrapper.h"

namespace quillfen {

// Arms every record at once, one thread each, waits for the shot to start, then processes
// each spectrometer as its burst ends (temperature, delay, shot file) and prints the
// statistics. Called on the main thread with at least one set-up record.
//
// Who touches what while the threads run: each acquisition thread calls only collectSpectra
// and checkError for its own record and slot, and writes only that record's spectra,
// timeDifferences and firstTimestamp_ns; the main thread reads a record only after joining its
// thread. The one-byte states are the only data both sides touch, always atomically.
void acquireSpectra(spectro::SpectroWrapper& facade, std::vector<SpectrometerRecord>& records);

// The delay of each record, in the order they are processed, to the first processed record
// that has a first timestamp. A record without one (no frame arrived) gets 0 and is never the
// reference, so one early failure cannot shift every other unit's delay by a raw clock value.
class RelativeDelays {
  public:
    std::int64_t delayOf(const SpectrometerRecord& record);

  private:
    struct Reference {
        std::int64_t timestamp_ns;
        std::uint32_t integrationTime_us;
    };
    std::optional<Reference> reference;
};

// Returns when at least `milliseconds` have passed on the monotonic clock.
void sleepMillis(unsigned int milliseconds);

}  // namespace quillfen
