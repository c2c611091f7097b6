#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace quillfen::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return root; }
    std::string file(const std::string& name) const { return (root / name).string(); }

    // Writes `content` to `name` in the folder and returns its path.
    std::string write(const std::string& name, const std::string& content) const;

  private:
    std::filesystem::path root;
};

std::string readFile(const std::string& path);

}  // namespace quillfen::testing
