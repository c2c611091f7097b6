#include "app/FormatNamed.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace quillfen {

namespace {

constexpr std::size_t MAX_FORMATTED_LENGTH = 1023;

// Widths and precisions beyond this are treated as a formatting error: the result is cut to
// MAX_FORMATTED_LENGTH anyway, and the C library would otherwise allocate for them.
constexpr long MAX_FIELD = 4096;

std::string trim(const std::string& text) {
    const char* blanks = " \t\n\r";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return "";
    }
    const auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool hasOnlySpecCharacters(const std::string& spec) {
    return spec.find_first_not_of(" .-+#0123456789") == std::string::npos;
}

// True when the field format is flags, then an optional width, then an optional '.' and precision,
// with fields of a sane size: anything else would be an invalid printf conversion.
bool isWellFormedSpec(const std::string& spec) {
    std::size_t i = 0;
    while (i < spec.size() && std::string(" -+#0").find(spec[i]) != std::string::npos) {
        ++i;
    }
    auto field = [&]() {
        const std::size_t start = i;
        while (i < spec.size() && spec[i] >= '0' && spec[i] <= '9') {
            ++i;
        }
        return i - start <= 4 &&
               (i == start || std::atol(spec.substr(start, i - start).c_str()) <= MAX_FIELD);
    };
    if (!field()) {
        return false;
    }
    if (i < spec.size() && spec[i] == '.') {
        ++i;
        if (!field()) {
            return false;
        }
    }
    return i == spec.size();
}

const char* conversionOf(FormatArg::Kind kind) {
    switch (kind) {
        case FormatArg::Kind::Int:
            return "d";
        case FormatArg::Kind::UInt:
            return "u";
        case FormatArg::Kind::Long:
            return "ld";
        case FormatArg::Kind::ULong:
            return "lu";
        case FormatArg::Kind::LongLong:
            return "lld";
        case FormatArg::Kind::ULongLong:
            return "llu";
        case FormatArg::Kind::Double:
            return "f";
        case FormatArg::Kind::Text:
            break;
    }
    return "";
}

// printf with the argument passed as the exact C type its conversion expects.
int formatValue(char* buffer, std::size_t size, const std::string& format, const FormatArg& arg) {
    const char* f = format.c_str();
    switch (arg.kind) {
        case FormatArg::Kind::Int:
            return std::snprintf(buffer, size, f,
                                 static_cast<int>(std::get<std::int64_t>(arg.value)));
        case FormatArg::Kind::UInt:
            return std::snprintf(buffer, size, f,
                                 static_cast<unsigned>(std::get<std::uint64_t>(arg.value)));
        case FormatArg::Kind::Long:
            return std::snprintf(buffer, size, f,
                                 static_cast<long>(std::get<std::int64_t>(arg.value)));
        case FormatArg::Kind::ULong:
            return std::snprintf(buffer, size, f,
                                 static_cast<unsigned long>(std::get<std::uint64_t>(arg.value)));
        case FormatArg::Kind::LongLong:
            return std::snprintf(buffer, size, f,
                                 static_cast<long long>(std::get<std::int64_t>(arg.value)));
        case FormatArg::Kind::ULongLong:
            return std::snprintf(
                buffer, size, f,
                static_cast<unsigned long long>(std::get<std::uint64_t>(arg.value)));
        case FormatArg::Kind::Double:
            return std::snprintf(buffer, size, f, std::get<double>(arg.value));
        case FormatArg::Kind::Text:
            break;
    }
    return -1;
}

std::string insertArgument(const FormatArg& arg, const std::string& spec) {
    if (arg.kind == FormatArg::Kind::Text) {
        return std::get<std::string>(arg.value);
    }
    if (!hasOnlySpecCharacters(spec)) {
        return "<fmtInv:" + spec + ">";
    }
    if (!isWellFormedSpec(spec)) {
        return "<fmtErr:" + spec + ">";
    }
    char buffer[MAX_FORMATTED_LENGTH + 1];
    const std::string format = "%" + spec + conversionOf(arg.kind);
    if (formatValue(buffer, sizeof buffer, format, arg) < 0) {
        return "<fmtErr:" + spec + ">";
    }
    return buffer;
}

}  // namespace

FormatArg FormatArg::ofInt(std::string n, std::int32_t v) {
    return {std::move(n), Kind::Int, std::int64_t{v}};
}
FormatArg FormatArg::ofUInt(std::string n, std::uint32_t v) {
    return {std::move(n), Kind::UInt, std::uint64_t{v}};
}
FormatArg FormatArg::ofLong(std::string n, std::int32_t v) {
    return {std::move(n), Kind::Long, std::int64_t{v}};
}
FormatArg FormatArg::ofULong(std::string n, std::uint32_t v) {
    return {std::move(n), Kind::ULong, std::uint64_t{v}};
}
FormatArg FormatArg::ofLongLong(std::string n, std::int64_t v) {
    return {std::move(n), Kind::LongLong, v};
}
FormatArg FormatArg::ofULongLong(std::string n, std::uint64_t v) {
    return {std::move(n), Kind::ULongLong, v};
}
FormatArg FormatArg::ofDouble(std::string n, double v) { return {std::move(n), Kind::Double, v}; }
FormatArg FormatArg::ofText(std::string n, std::string v) {
    return {std::move(n), Kind::Text, std::move(v)};
}

std::string formatNamed(const std::string& pattern, const std::vector<FormatArg>& arguments) {
    std::string result;
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c == '{' && i + 1 < pattern.size() && pattern[i + 1] == '{') {
            result += '{';
            i += 2;
        } else if (c == '}') {
            // "}}" gives one brace, a lone '}' is dropped.
            if (i + 1 < pattern.size() && pattern[i + 1] == '}') {
                result += '}';
                i += 2;
            } else {
                ++i;
            }
        } else if (c == '{') {
            const auto close = pattern.find('}', i + 1);
            if (close == std::string::npos) {
                result.append(pattern, i, std::string::npos);
                break;
            }
            const std::string inside = pattern.substr(i + 1, close - i - 1);
            const auto colon = inside.find(':');
            const std::string name = trim(inside.substr(0, colon));
            const std::string spec =
                colon == std::string::npos ? "" : trim(inside.substr(colon + 1));
            for (const auto& arg : arguments) {
                if (arg.name == name) {
                    result += insertArgument(arg, spec);
                    break;
                }
            }
            i = close + 1;
        } else {
            result += c;
            ++i;
        }
    }
    return result;
}

}  // namespace quillfen
