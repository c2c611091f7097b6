#include "app/support/TempDir.h"

#include <stdlib.h>

#include <sstream>
#include <stdexcept>

namespace quillfen::testing {

TempDir::TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quillfen-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    root = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

std::string TempDir::write(const std::string& name, const std::string& content) const {
    const std::string path = file(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace quillfen::testing
