#pragma once

#include <array>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quillfen {

enum OptionIndex {
    UNMATCHED = 0,
    HELP,
    INPUT,
    OUTPUT,
    SHOT,
    AUTOMATIC,
    TRIGGER,
    VERBOSE,
    OPTION_COUNT
};

enum class ArgumentCheck { None, NonEmpty, NonNegativeInteger };

struct OptionDescriptor {
    OptionIndex index;
    char shortName;  // '\0': none
    const char* longName;
    ArgumentCheck check;
    const char* help;  // a tab separates the two columns of the usage table
};

// The option table in the order of the usage text. UNMATCHED takes every unknown option.
extern const std::array<OptionDescriptor, OPTION_COUNT> OPTIONS;

struct OptionOccurrence {
    std::string name;  // as written: "--in" for "--in=x", "q" for an unknown short option
    std::optional<std::string> argument;
};

struct CommandLine {
    std::array<std::vector<OptionOccurrence>, OPTION_COUNT> occurrences;
    std::vector<std::string> nonOptions;

    const std::vector<OptionOccurrence>& operator[](OptionIndex index) const {
        return occurrences[index];
    }
};

// Parses the arguments after the program name. An argument check that refuses prints its
// message to `messages` and parsing fails (no value).
std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& arguments,
                                            std::ostream& messages);

// The base-10 value of an argument the shot-number check accepted.
std::int32_t shotNumberOf(const std::string& argument);

// The whole usage text, configuration example included.
std::string usageText(const std::string& programName);

}  // namespace quillfen
