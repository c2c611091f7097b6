#pragma once

#include <mutex>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

namespace quillfen {

// Status codes of the machine-readable status lines on standard error.
enum StatusCode : int {
    STATUS_INITIALIZATION = 0,
    STATUS_HW_CONFIGURATION = 1,
    STATUS_ARMED = 2,
    STATUS_RUNNING = 3,
    STATUS_SAVING = 4,
    STATUS_FINISHED = 5,
    STATUS_IDENTIFICATION = 6,
    STATUS_FILE_SAVED = 7,
    STATUS_ERROR = 100,
    STATUS_WARNING = 101,
};

// Keeps the lines of different threads apart: a console line and its status line are written
// under it. Plain, never nested.
extern std::mutex consoleMutex;

// Builds status objects. Stateless: create one wherever a status line is needed. The keys of
// an object come out in ascending byte order because the JSON library keeps them sorted.
class AppStatus {
  public:
    virtual ~AppStatus() = default;

    // Lets the program add the versions of the libraries it was built with.
    virtual void addLibraryVersions(nlohmann::json& identification) const;

    nlohmann::json message(int code, const std::string& message, const std::string& device) const;
    nlohmann::json error(const std::string& message) const;
    nlohmann::json warning(const std::string& message) const;
    nlohmann::json fileSaved(const std::string& device, const std::string& fileType) const;
    nlohmann::json identification() const;
};

// Writes one status object as a compact line and flushes. Bytes that are not valid UTF-8
// (a device may send anything as its serial number) are replaced rather than failing the run.
void emitStatus(const nlohmann::json& status, std::ostream& out);
void emitStatus(const nlohmann::json& status);  // to standard error

// Compact JSON that never throws on invalid UTF-8.
std::string compactJson(const nlohmann::json& value);

// Reports a failed facade call: for a non-zero code prints "context, code: message" on
// standard output, emits the same text as an error status line, and returns false.
// Callers must not hold consoleMutex.
bool checkError(const std::string& context, int code);

}  // namespace quillfen

// The program's status builder: adds the HDF5 and device library versions to the
// identification line.
class AppStatus : public quillfen::AppStatus {
  public:
    void addLibraryVersions(nlohmann::json& identification) const override;
};
