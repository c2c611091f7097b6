#pragma once

// A shot data file read back through the HDF5 library, the way an analysis would read it.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quillfen::shots {

// One dataset or attribute: how it is stored, its shape (empty for a scalar) and its values
// converted to double, row after row.
struct StoredValues {
    std::string type;  // "uint16le", "float64le" or a description of anything else
    std::vector<std::uint64_t> shape;
    std::vector<double> values;
};

struct ShotFileContents {
    std::vector<std::string> datasets;      // in the root group, sorted by name
    std::vector<std::string> otherObjects;  // groups and anything else in the root group
    StoredValues spectra;
    StoredValues wavelengths;
    StoredValues timeDifferences;
    std::map<std::string, StoredValues> spectraAttributes;
};

// Throws std::runtime_error (with the library's detail) when the file or one of the three
// datasets cannot be read.
ShotFileContents readShotFile(const std::string& path);

}  // namespace quillfen::shots
