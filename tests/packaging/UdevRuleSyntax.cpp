#include "UdevRuleSyntax.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string_view>

namespace quillfen::testing {

namespace {

enum class Attribute { None, Optional, Required };

struct KeyRule {
    std::string_view key;
    Attribute attribute;
    bool match;   // takes == and !=
    bool assign;  // takes =, +=, -= and :=
};

// The keys of udev's rules syntax and what each takes.
constexpr std::array keyRules{
    KeyRule{"ACTION", Attribute::None, true, false},
    KeyRule{"DEVPATH", Attribute::None, true, false},
    KeyRule{"KERNEL", Attribute::None, true, false},
    KeyRule{"KERNELS", Attribute::None, true, false},
    KeyRule{"SUBSYSTEM", Attribute::None, true, false},
    KeyRule{"SUBSYSTEMS", Attribute::None, true, false},
    KeyRule{"DRIVER", Attribute::None, true, false},
    KeyRule{"DRIVERS", Attribute::None, true, false},
    KeyRule{"NAME", Attribute::None, true, true},
    KeyRule{"SYMLINK", Attribute::None, true, true},
    KeyRule{"TAG", Attribute::None, true, true},
    KeyRule{"TAGS", Attribute::None, true, false},
    KeyRule{"ATTR", Attribute::Required, true, true},
    KeyRule{"ATTRS", Attribute::Required, true, false},
    KeyRule{"SYSCTL", Attribute::Required, true, true},
    KeyRule{"ENV", Attribute::Required, true, true},
    KeyRule{"CONST", Attribute::Required, true, false},
    KeyRule{"TEST", Attribute::Optional, true, false},
    KeyRule{"PROGRAM", Attribute::None, true, true},
    KeyRule{"RESULT", Attribute::None, true, false},
    KeyRule{"OWNER", Attribute::None, false, true},
    KeyRule{"GROUP", Attribute::None, false, true},
    KeyRule{"MODE", Attribute::None, false, true},
    KeyRule{"SECLABEL", Attribute::Required, false, true},
    KeyRule{"RUN", Attribute::Optional, false, true},
    KeyRule{"IMPORT", Attribute::Required, false, true},
    KeyRule{"OPTIONS", Attribute::None, false, true},
    KeyRule{"LABEL", Attribute::None, false, true},
    KeyRule{"GOTO", Attribute::None, false, true},
};

const KeyRule* findKey(const std::string& key) {
    const auto rule = std::find_if(keyRules.begin(), keyRules.end(),
                                   [&](const KeyRule& r) { return r.key == key; });
    return rule == keyRules.end() ? nullptr : &*rule;
}

bool isSpace(char c) { return c == ' ' || c == '\t'; }

// Operators, longest first so that "==" is not read as "=".
constexpr std::array<std::string_view, 6> operators{"==", "!=", "+=", "-=", ":=", "="};

void checkPair(const UdevPair& pair) {
    const KeyRule* rule = findKey(pair.key);
    if (rule == nullptr) throw std::invalid_argument("unknown key " + pair.key);
    if (rule->attribute == Attribute::Required && pair.attribute.empty())
        throw std::invalid_argument(pair.key + " needs an {attribute}");
    if (rule->attribute == Attribute::None && !pair.attribute.empty())
        throw std::invalid_argument(pair.key + " takes no {attribute}");
    const bool isMatch = pair.op == "==" || pair.op == "!=";
    if (isMatch && !rule->match) throw std::invalid_argument(pair.key + " cannot be matched");
    if (!isMatch && !rule->assign) throw std::invalid_argument(pair.key + " cannot be assigned");
    if ((pair.key == "LABEL" || pair.key == "GOTO") && pair.op != "=")
        throw std::invalid_argument(pair.key + " takes only =");
}

}  // namespace

std::vector<UdevPair> parseUdevRuleLine(const std::string& line) {
    std::size_t at = 0;
    const auto skipSpaces = [&] {
        while (at < line.size() && isSpace(line[at])) ++at;
    };
    skipSpaces();
    if (at == line.size() || line[at] == '#') return {};
    if (line.back() == '\\') throw std::invalid_argument("a continued line");

    std::vector<UdevPair> pairs;
    while (true) {
        UdevPair pair;
        while (at < line.size() &&
               (std::isupper(static_cast<unsigned char>(line[at])) || line[at] == '_'))
            pair.key += line[at++];
        if (pair.key.empty())
            throw std::invalid_argument("a key must start at column " + std::to_string(at + 1));
        if (at < line.size() && line[at] == '{') {
            const std::size_t close = line.find('}', at);
            if (close == std::string::npos || close == at + 1)
                throw std::invalid_argument("the {attribute} of " + pair.key + " is not closed");
            pair.attribute = line.substr(at + 1, close - at - 1);
            at = close + 1;
        }
        for (std::string_view op : operators) {
            if (line.compare(at, op.size(), op) == 0) {
                pair.op = op;
                break;
            }
        }
        if (pair.op.empty()) throw std::invalid_argument("no operator after " + pair.key);
        at += pair.op.size();
        if (at == line.size() || line[at] != '"')
            throw std::invalid_argument("the value of " + pair.key + " is not in double quotes");
        const std::size_t close = line.find('"', at + 1);
        if (close == std::string::npos)
            throw std::invalid_argument("the value of " + pair.key + " has no closing quote");
        pair.value = line.substr(at + 1, close - at - 1);
        at = close + 1;
        checkPair(pair);
        pairs.push_back(pair);

        skipSpaces();
        if (at == line.size()) return pairs;
        if (line[at] != ',')
            throw std::invalid_argument("a comma must follow the value of " + pair.key);
        ++at;
        skipSpaces();
        if (at == line.size()) throw std::invalid_argument("nothing after the last comma");
    }
}

std::vector<std::string> checkUdevRulesFile(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    std::ifstream in(path);
    if (!in) return {name + ": cannot be read"};

    std::vector<std::string> problems;
    std::set<std::string> labels;
    std::set<std::string> gotos;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        try {
            for (const UdevPair& pair : parseUdevRuleLine(line)) {
                if (pair.key == "LABEL") labels.insert(pair.value);
                if (pair.key == "GOTO") gotos.insert(pair.value);
            }
        } catch (const std::invalid_argument& error) {
            problems.push_back(name + ":" + std::to_string(number) + ": " + error.what());
        }
    }
    for (const std::string& target : gotos) {
        if (labels.count(target) == 0)
            problems.push_back(name + ": GOTO \"" + target + "\" has no LABEL");
    }
    return problems;
}

}  // namespace quillfen::testing
