#include "app/AppStatus.h"

#include <H5public.h>

#include <chrono>
#include <iostream>

#include "BuildInfo.h"
#include "device/api/SpectroWrapper.h"
#include "device/common/Version.h"

namespace quillfen {

std::mutex consoleMutex;

namespace {

std::int64_t millisecondsSinceEpoch() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string versionText(int major, int minor, int patch) {
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
}

}  // namespace

void AppStatus::addLibraryVersions(nlohmann::json&) const {}

nlohmann::json AppStatus::message(int code, const std::string& message,
                                  const std::string& device) const {
    nlohmann::json status;
    status["st"] = code;
    status["msg"] = message;
    status["device"] = device;
    status["time"] = millisecondsSinceEpoch();
    return status;
}

nlohmann::json AppStatus::error(const std::string& text) const {
    return message(STATUS_ERROR, text, "");
}

nlohmann::json AppStatus::warning(const std::string& text) const {
    return message(STATUS_WARNING, text, "");
}

nlohmann::json AppStatus::fileSaved(const std::string& device, const std::string& fileType) const {
    nlohmann::json status = message(STATUS_FILE_SAVED, "File saved", device);
    status["fileType"] = fileType;
    return status;
}

nlohmann::json AppStatus::identification() const {
    nlohmann::json status = message(STATUS_IDENTIFICATION, "Identification", "");
    status["release"] = buildinfo::release;
    status["build"] = buildinfo::build;
    status["commit"] = buildinfo::commit;
    status["nlohmann-json"] = versionText(NLOHMANN_JSON_VERSION_MAJOR, NLOHMANN_JSON_VERSION_MINOR,
                                          NLOHMANN_JSON_VERSION_PATCH);
    addLibraryVersions(status);
    return status;
}

std::string compactJson(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void emitStatus(const nlohmann::json& status, std::ostream& out) {
    out << compactJson(status) << '\n';
    out.flush();
}

void emitStatus(const nlohmann::json& status) { emitStatus(status, std::cerr); }

bool checkError(const std::string& context, int code) {
    if (code == 0) {
        return true;
    }
    char message[64];
    spectro::SpectroWrapper::getErrorMessage(code, message, sizeof message);
    const std::string line = context + ", " + std::to_string(code) + ": " + message;

    std::lock_guard<std::mutex> lock(consoleMutex);
    std::cout << line << std::endl;
    emitStatus(AppStatus().error(line));
    return false;
}

}  // namespace quillfen

void AppStatus::addLibraryVersions(nlohmann::json& identification) const {
    identification["hdf5"] = quillfen::versionText(H5_VERS_MAJOR, H5_VERS_MINOR, H5_VERS_RELEASE);
    identification["spectro"] = spectro::libraryVersion();
}
