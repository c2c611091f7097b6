#include <gtest/gtest.h>

#include "app/FormatNamed.h"

namespace quillfen {
namespace {

struct Case {
    std::string pattern;
    std::string expected;
    friend std::ostream& operator<<(std::ostream& out, const Case& c) { return out << c.pattern; }
};

class FormatNamedWithShot : public ::testing::TestWithParam<Case> {};

TEST_P(FormatNamedWithShot, Expands) {
    EXPECT_EQ(formatNamed(GetParam().pattern, {FormatArg::ofULong("shot", 42)}),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, FormatNamedWithShot,
    ::testing::Values(Case{"x{shot}y", "x42y"}, Case{"{shot:05}", "00042"},
                      Case{"{ shot : 5 }", "   42"}, Case{"{\tshot\r\n}", "42"},
                      Case{"{shot:-5}|", "42   |"}, Case{"{shot:+}", "42"},
                      Case{"{shot:x}", "<fmtInv:x>"}, Case{"{shot:5d}", "<fmtInv:5d>"},
                      Case{"{shot:%n}", "<fmtInv:%n>"}, Case{"{shot:5-}", "<fmtErr:5->"},
                      Case{"{shot:99999}", "<fmtErr:99999>"}, Case{"{other}", ""},
                      Case{"{Shot}", ""}, Case{"a{{b}}c", "a{b}c"}, Case{"a}b", "ab"},
                      Case{"a{shot", "a{shot"}, Case{"a{b{shot}", "a"},
                      Case{"D:/data/Halpha_{shot}.h5", "D:/data/Halpha_42.h5"}, Case{"", ""}));

TEST(FormatNamed, FormatsEachKindWithItsConversion) {
    const std::vector<FormatArg> args = {FormatArg::ofInt("i", -7),
                                         FormatArg::ofUInt("u", 4294967295u),
                                         FormatArg::ofLong("l", -2147483647 - 1),
                                         FormatArg::ofLongLong("ll", -9000000000),
                                         FormatArg::ofULongLong("ull", 18446744073709551615ull),
                                         FormatArg::ofDouble("d", 1.5),
                                         FormatArg::ofText("t", "{shot}")};
    EXPECT_EQ(formatNamed("{i:+03}|{u}|{l}|{ll}|{ull}|{d}|{d:.2}|{t:05}", args),
              "-07|4294967295|-2147483648|-9000000000|18446744073709551615|1.500000|1.50|{shot}");
}

TEST(FormatNamed, CutsAVeryWideFieldTo1023Characters) {
    const std::string wide = formatNamed("{shot:2000}", {FormatArg::ofULong("shot", 1)});
    EXPECT_EQ(wide.size(), 1023u);
    EXPECT_EQ(wide.find_first_not_of(' '), std::string::npos);
}

}  // namespace
}  // namespace quillfen
