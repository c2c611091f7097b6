#pragma once

#include <string>
#include <vector>

namespace quillfen::testing {

// One KEY{attribute}op"value" pair of a udev rule.
struct UdevPair {
    std::string key;
    std::string attribute;  // empty when the key has none
    std::string op;         // ==, !=, =, +=, -= or :=
    std::string value;
};

// The pairs of one rules line; none for a comment or a blank line. Throws
// std::invalid_argument naming what is wrong: an unknown key, an operator the key does not
// take, a missing or unexpected {attribute}, a value without its double quotes, pairs without
// a comma between them. udev itself is more lenient; its own check (udevadm verify) is newer
// than the udev of Debian 12.
std::vector<UdevPair> parseUdevRuleLine(const std::string& line);

// Every problem of a rules file, as "NAME:LINE: what" (or "NAME: what" for a GOTO whose LABEL
// is missing); empty for a sound file.
std::vector<std::string> checkUdevRulesFile(const std::string& path);

}  // namespace quillfen::testing
