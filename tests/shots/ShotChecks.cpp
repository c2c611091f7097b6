#include "ShotChecks.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace quillfen::shots {

double rampValue(std::uint64_t spectrum, std::uint64_t pixel) {
    return static_cast<double>((7 * spectrum + pixel) % 4096);
}

::testing::AssertionResult holdsRampRows(const StoredValues& spectra, std::uint64_t firstSpectrum,
                                         std::uint64_t keptRows) {
    if (spectra.shape.size() != 2) {
        return ::testing::AssertionFailure() << "\"Spectra\" has rank " << spectra.shape.size();
    }
    const std::uint64_t rows = spectra.shape[0];
    const std::uint64_t pixels = spectra.shape[1];
    for (std::uint64_t row = 0; row < rows; ++row) {
        for (std::uint64_t pixel = 0; pixel < pixels; ++pixel) {
            const double expected = row < keptRows ? rampValue(firstSpectrum + row, pixel) : 0.0;
            const double actual = spectra.values[row * pixels + pixel];
            if (actual != expected) {
                return ::testing::AssertionFailure()
                       << "row " << row << ", pixel " << pixel << " holds " << actual
                       << " instead of " << expected;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult containsInOrder(const std::vector<std::string>& lines,
                                           const std::vector<std::string>& expected) {
    auto line = lines.begin();
    for (const std::string& wanted : expected) {
        while (line != lines.end() && *line != wanted) ++line;
        if (line == lines.end()) {
            std::ostringstream all;
            for (const std::string& l : lines) all << "\n  " << l;
            return ::testing::AssertionFailure()
                   << "missing, or out of order: \"" << wanted << "\"; the lines are:" << all.str();
        }
        ++line;
    }
    return ::testing::AssertionSuccess();
}

std::vector<std::string> linesStartingWith(const std::vector<std::string>& lines,
                                           const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        if (line.rfind(prefix, 0) == 0) found.push_back(line);
    }
    return found;
}

std::optional<double> measuredNumber(const std::string& line, const Measured& shape) {
    if (line.size() <= shape.prefix.size() + shape.suffix.size() ||
        line.compare(0, shape.prefix.size(), shape.prefix) != 0 ||
        line.compare(line.size() - shape.suffix.size(), shape.suffix.size(), shape.suffix) != 0) {
        return std::nullopt;
    }
    const std::string number =
        line.substr(shape.prefix.size(), line.size() - shape.prefix.size() - shape.suffix.size());
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    if (end != number.c_str() + number.size()) return std::nullopt;
    return value;
}

void expectConsole(const std::vector<std::string>& lines,
                   const std::vector<ConsoleLine>& expected) {
    EXPECT_EQ(lines.size(), expected.size()) << "the console has another number of lines";
    for (std::size_t i = 0; i < std::min(lines.size(), expected.size()); ++i) {
        if (const auto* exact = std::get_if<std::string>(&expected[i])) {
            EXPECT_EQ(lines[i], *exact) << "console line " << i;
            continue;
        }
        const Measured& shape = std::get<Measured>(expected[i]);
        const auto value = measuredNumber(lines[i], shape);
        if (!value) {
            ADD_FAILURE() << "console line " << i << " is \"" << lines[i] << "\", not \""
                          << shape.prefix << "<number>" << shape.suffix << "\"";
            continue;
        }
        EXPECT_GE(*value, shape.low) << "console line " << i << ": " << lines[i];
        EXPECT_LE(*value, shape.high) << "console line " << i << ": " << lines[i];
    }
}

}  // namespace quillfen::shots
