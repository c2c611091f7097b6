#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace quillfen {

// One named argument of formatNamed. The kind of the value picks the printf conversion used
// with a field format: int "d", unsigned int "u", long "ld", unsigned long "lu",
// long long "lld", unsigned long long "llu", double "f"; text is inserted as it is.
struct FormatArg {
    enum class Kind { Int, UInt, Long, ULong, LongLong, ULongLong, Double, Text };

    std::string name;
    Kind kind = Kind::Int;
    std::variant<std::int64_t, std::uint64_t, double, std::string> value;

    static FormatArg ofInt(std::string name, std::int32_t v);
    static FormatArg ofUInt(std::string name, std::uint32_t v);
    static FormatArg ofLong(std::string name, std::int32_t v);
    static FormatArg ofULong(std::string name, std::uint32_t v);
    static FormatArg ofLongLong(std::string name, std::int64_t v);
    static FormatArg ofULongLong(std::string name, std::uint64_t v);
    static FormatArg ofDouble(std::string name, double v);
    static FormatArg ofText(std::string name, std::string v);
};

// Replaces {name} and {name:format} placeholders by the named arguments ("{{" and "}}" are
// literal braces). The format is printf flags, width and precision, such as "05".
std::string formatNamed(const std::string& pattern, const std::vector<FormatArg>& arguments);

}  // namespace quillfen
