#include "app/Options.h"

#include <cstdlib>
#include <limits>
#include <sstream>

#include "app/Configuration.h"

namespace quillfen {

const std::array<OptionDescriptor, OPTION_COUNT> OPTIONS = {{
    {UNMATCHED, '\0', "", ArgumentCheck::None, "-i \"configuration.json\" -s 1 \n\nOPTIONS:"},
    {HELP, 'h', "help", ArgumentCheck::None, "-h, --help \t Print usage and exit."},
    {INPUT, 'i', "input", ArgumentCheck::NonEmpty,
     "-i, --input \t Specifies the input configuration (JSON) file name."},
    {OUTPUT, 'o', "output", ArgumentCheck::NonEmpty,
     "-o, --output \t Specifies the corrected configuration output (JSON) file name."},
    {SHOT, 's', "shot-number", ArgumentCheck::NonNegativeInteger,
     "-s, --shot-number \t Specifies the nonnegative shot number e.g. 1000"},
    {AUTOMATIC, 'a', "automatic", ArgumentCheck::None,
     "-a, --automatic \t Specifies automatic mode that does not wait on keypress before app "
     "finished."},
    {TRIGGER, 't', "trigger", ArgumentCheck::NonEmpty,
     "-t, --trigger \t Triggers all spectrometers immediately by sw command - value sw, override "
     "trigger configuration."},
    {VERBOSE, 'v', "verbose", ArgumentCheck::None,
     "-v, --verbose \t Dump internal communication with spectrometers."},
}};

namespace {

struct ParsedInteger {
    bool valid = false;
    long long value = 0;
};

// A base-10 number that takes the whole text (leading white space and a sign allowed).
ParsedInteger parseDecimal(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);  // saturates when too large
    if (end == text.c_str() || *end != '\0') {
        return {};
    }
    return {true, value};
}

bool runCheck(ArgumentCheck check, const std::string& name,
              const std::optional<std::string>& candidate, std::ostream& messages) {
    switch (check) {
        case ArgumentCheck::None:
            return true;
        case ArgumentCheck::NonEmpty:
            if (candidate && !candidate->empty()) {
                return true;
            }
            messages << "ERROR: Argument '" << name
                     << "' requires a non-empty string as an argument" << std::endl;
            return false;
        case ArgumentCheck::NonNegativeInteger: {
            const ParsedInteger parsed = candidate ? parseDecimal(*candidate) : ParsedInteger{};
            if (!parsed.valid || parsed.value < 0) {
                messages << "ERROR: Argument '" << name
                         << "' requires zero or a positive integer as an argument" << std::endl;
                return false;
            }
            if (parsed.value > std::numeric_limits<std::int32_t>::max()) {
                // The shot number is a signed 32-bit value; a larger one must not wrap into
                // the name of another shot's file.
                messages << "ERROR: Argument '" << name << "' must not be larger than "
                         << std::numeric_limits<std::int32_t>::max() << std::endl;
                return false;
            }
            return true;
        }
    }
    return false;
}

const OptionDescriptor* findLong(const std::string& name) {
    for (const auto& option : OPTIONS) {
        if (option.index != UNMATCHED && name == option.longName) {
            return &option;
        }
    }
    return nullptr;
}

const OptionDescriptor* findShort(char name) {
    for (const auto& option : OPTIONS) {
        if (option.index != UNMATCHED && option.shortName == name) {
            return &option;
        }
    }
    return nullptr;
}

SpectrometerRecord exampleRecord(const char* serial, const char* name,
                                 std::uint32_t integrationTime, std::int32_t spectra,
                                 std::int32_t triggerType, const char* path) {
    SpectrometerRecord record;
    record.serialNumber = serial;
    record.name = name;
    record.integrationTime_us = integrationTime;
    record.spectraCount = spectra;
    record.triggerType = triggerType;
    record.dataFilePath = path;
    return record;
}

}  // namespace

std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& arguments,
                                            std::ostream& messages) {
    CommandLine result;
    std::size_t next = 0;
    while (next < arguments.size()) {
        const std::string& argument = arguments[next];
        if (argument.size() < 2 || argument[0] != '-') {
            break;  // a non-option argument (or "-") ends option processing
        }
        ++next;
        if (argument == "--") {
            break;
        }

        if (argument.compare(0, 2, "--") == 0) {
            const auto equals = argument.find('=');
            const std::string name =
                argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
            const OptionDescriptor* option = findLong(name);
            if (option == nullptr) {
                result.occurrences[UNMATCHED].push_back({argument.substr(0, equals), std::nullopt});
                continue;
            }
            if (option->check == ArgumentCheck::None) {
                result.occurrences[option->index].push_back({"--" + name, std::nullopt});
                continue;
            }
            const bool inline_ = equals != std::string::npos;
            std::optional<std::string> candidate;
            if (inline_) {
                candidate = argument.substr(equals + 1);
            } else if (next < arguments.size()) {
                candidate = arguments[next];
            }
            if (!runCheck(option->check, argument, candidate, messages)) {
                return std::nullopt;
            }
            if (!inline_) {
                ++next;
            }
            result.occurrences[option->index].push_back({"--" + name, candidate});
            continue;
        }

        // A group of short options.
        for (std::size_t k = 1; k < argument.size(); ++k) {
            const char c = argument[k];
            const OptionDescriptor* option = findShort(c);
            if (option == nullptr) {
                result.occurrences[UNMATCHED].push_back({std::string(1, c), std::nullopt});
                continue;
            }
            if (option->check == ArgumentCheck::None) {
                result.occurrences[option->index].push_back({std::string(1, c), std::nullopt});
                continue;
            }
            const bool inGroup = k + 1 < argument.size();
            std::optional<std::string> candidate;
            if (inGroup) {
                candidate = argument.substr(k + 1);
            } else if (next < arguments.size()) {
                candidate = arguments[next];
            }
            if (!runCheck(option->check, argument.substr(k), candidate, messages)) {
                return std::nullopt;
            }
            if (!inGroup) {
                ++next;
            }
            result.occurrences[option->index].push_back({std::string(1, c), candidate});
            break;
        }
    }
    result.nonOptions.assign(arguments.begin() + static_cast<std::ptrdiff_t>(next),
                             arguments.end());
    return result;
}

std::int32_t shotNumberOf(const std::string& argument) {
    return static_cast<std::int32_t>(parseDecimal(argument).value);
}

std::string usageText(const std::string& programName) {
    std::ostringstream out;
    out << "\nUSAGE:\n";

    // Help texts as a two-column table: the part before a tab is padded to the widest one.
    std::vector<std::string> lines;
    std::size_t width = 0;
    for (const auto& option : OPTIONS) {
        std::istringstream help(option.help);
        for (std::string line; std::getline(help, line);) {
            lines.push_back(line);
            const auto tab = line.find('\t');
            if (tab != std::string::npos && tab > width) {
                width = tab;
            }
        }
    }
    for (const auto& line : lines) {
        const auto tab = line.find('\t');
        if (tab == std::string::npos) {
            out << line << '\n';
        } else {
            std::string left = line.substr(0, tab);
            left.resize(width, ' ');
            out << left << line.substr(tab + 1) << '\n';
        }
    }

    out << "\nExample command:\n\"" << programName
        << "\" -i \"Setting.json\" -o \"SettingOut.json\" -s 1\n";

    out << "\nConfiguration example:\n";
    std::vector<SpectrometerRecord> example;
    example.push_back(
        exampleRecord("HR+C1834", "Halpha", 4000, 20, 1, "D:/LocalNodeData/Halpha_{shot}.h5"));
    example.push_back(
        exampleRecord("HR+C0732", "VIS", 5000, 15, 0, "D:/LocalNodeData/VIS_{shot}.h5"));
    out << writeConfiguration("", example) << "\n\n";

    out << "TriggerType options:\n";
    for (const char* name : TRIGGER_TYPE_NAMES) {
        out << " \"" << name << "\"\n";
    }
    out << "\nDataFilePath can reference a shot number through {shot}. The paths are insensitive "
           "to / or \\.\n";
    out << "If the input configuration file contains [], or all spectrometers are disabled then "
           "the application search for all spectrometers and tries to acquire spectra with the "
           "default configuration. The -o option can be used to get a useful configuration "
           "file.\n";
    out << "The field \"Enabled\" with values false or true can be in configuration file in "
           "order to disable or enable spectrometer.\n";
    return out.str();
}

}  // namespace quillfen
