#pragma once

// Checks shared by the shot tests: console lines, measured numbers and the "ramp" pattern.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "ShotFileReader.h"

namespace quillfen::shots {

// " °C" as the statistics print it: the degree sign in UTF-8.
inline const std::string DEGREES_CELSIUS =
    " \xC2\xB0"
    "C";

// What word `pixel` of spectrum `spectrum` (counted from the unit's opening) holds with the
// bench's "ramp" pattern.
double rampValue(std::uint64_t spectrum, std::uint64_t pixel);

// Rows 0 to keptRows - 1 of `spectra` hold spectra firstSpectrum, firstSpectrum + 1, ... of the
// "ramp" pattern, every row after them is zero. Reports the first value that differs.
::testing::AssertionResult holdsRampRows(const StoredValues& spectra, std::uint64_t firstSpectrum,
                                         std::uint64_t keptRows);

// The expected lines appear in this order; other lines may lie between them.
::testing::AssertionResult containsInOrder(const std::vector<std::string>& lines,
                                           const std::vector<std::string>& expected);

// The lines that begin with `prefix`, in order.
std::vector<std::string> linesStartingWith(const std::vector<std::string>& lines,
                                           const std::string& prefix);

// A console line that carries a measured number: prefix, the number, suffix.
struct Measured {
    std::string prefix;
    double low;
    double high;
    std::string suffix;
};
using ConsoleLine = std::variant<std::string, Measured>;

// The number of `line` when it has the measured line's shape.
std::optional<double> measuredNumber(const std::string& line, const Measured& shape);

// The whole console, line by line: exact lines equal, measured lines within their range.
void expectConsole(const std::vector<std::string>& lines, const std::vector<ConsoleLine>& expected);

}  // namespace quillfen::shots
