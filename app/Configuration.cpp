#include "app/Configuration.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "app/AppStatus.h"

namespace quillfen {

namespace {

using nlohmann::json;

constexpr std::uint32_t DEFAULT_INTEGRATION_TIME_US = 2000;
constexpr std::int32_t DEFAULT_SPECTRA = 2;

std::runtime_error wrongType(const char* key, const char* wanted, const json& value) {
    return std::runtime_error(std::string("\"") + key + "\" must be " + wanted + ", but is " +
                              value.type_name());
}

std::string readString(const json& entry, const char* key, const std::string& fallback) {
    const auto it = entry.find(key);
    if (it == entry.end()) {
        return fallback;
    }
    if (!it->is_string()) {
        throw wrongType(key, "a string", *it);
    }
    return it->get<std::string>();
}

bool readBool(const json& entry, const char* key, bool fallback) {
    const auto it = entry.find(key);
    if (it == entry.end()) {
        return fallback;
    }
    if (!it->is_boolean()) {
        throw wrongType(key, "a boolean", *it);
    }
    return it->get<bool>();
}

// A number read as a whole number: a fraction is truncated toward zero. Values outside
// [lowest, highest] are refused rather than wrapped into some unrelated setting.
std::int64_t readWholeNumber(const json& entry, const char* key, std::int64_t fallback,
                             std::int64_t lowest, std::int64_t highest) {
    const auto it = entry.find(key);
    if (it == entry.end()) {
        return fallback;
    }
    if (!it->is_number()) {
        throw wrongType(key, "a number", *it);
    }
    bool inRange = false;
    std::int64_t value = 0;
    if (it->is_number_unsigned()) {
        const auto u = it->get<std::uint64_t>();
        inRange = u <= static_cast<std::uint64_t>(highest);
        value = inRange ? static_cast<std::int64_t>(u) : 0;
    } else if (it->is_number_integer()) {
        value = it->get<std::int64_t>();
        inRange = value >= lowest && value <= highest;
    } else {
        const double d = std::trunc(it->get<double>());
        inRange = d >= static_cast<double>(lowest) && d <= static_cast<double>(highest);
        value = inRange ? static_cast<std::int64_t>(d) : 0;
    }
    if (!inRange) {
        throw std::runtime_error(std::string("\"") + key + "\" is out of range (" + it->dump() +
                                 ")");
    }
    return value;
}

std::int32_t readTriggerType(const json& entry) {
    const std::string text = readString(entry, "TriggerType", TRIGGER_TYPE_NAMES[0]);
    for (std::size_t value = 0; value < TRIGGER_TYPE_NAMES.size(); ++value) {
        if (text == TRIGGER_TYPE_NAMES[value]) {
            return static_cast<std::int32_t>(value);
        }
    }
    // No line end: whatever is printed next continues this line.
    std::cout << "Unsupported TriggerType value, using default, see help." << std::flush;
    return 0;
}

// Reads one entry; returns false for an entry that is disabled or has no serial number.
bool readEntry(const json& root, std::size_t i, SpectrometerRecord& record) {
    const json& entry = root.at(i);
    if (!entry.is_object()) {
        throw std::runtime_error(std::string("the entry is ") + entry.type_name() +
                                 ", not an object");
    }
    record.serialNumber = readString(entry, "SerialNumber", "");
    record.name = readString(entry, "SpectrometerName", record.serialNumber);
    // A negative integration time is kept as its unsigned 32-bit value: setup then clamps it
    // to the device's maximum.
    record.integrationTime_us = static_cast<std::uint32_t>(readWholeNumber(
        entry, "IntegrationTime_us", DEFAULT_INTEGRATION_TIME_US,
        std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::uint32_t>::max()));
    const std::int64_t spectra =
        readWholeNumber(entry, "Spectra", DEFAULT_SPECTRA, std::numeric_limits<std::int64_t>::min(),
                        std::numeric_limits<std::int32_t>::max());
    if (spectra < 0) {
        // Cannot become a buffer size.
        throw std::runtime_error("\"Spectra\" must not be negative (" + std::to_string(spectra) +
                                 ")");
    }
    record.spectraCount = static_cast<std::int32_t>(spectra);
    record.triggerType = readTriggerType(entry);
    record.dataFilePath =
        toPlatformSeparators(readString(entry, "DataFilePath", record.name + "_{shot}.h5"));
    record.slot = SLOT_NOT_FOUND;

    if (!readBool(entry, "Enabled", true)) {
        return false;
    }
    if (record.serialNumber.empty()) {
        std::cout << "Skipping spectrometer #" << i << " due to insufficient SerialNumber."
                  << std::endl;
        return false;
    }
    return true;
}

json toJson(const SpectrometerRecord& record) {
    json entry = json::object();
    entry["SerialNumber"] = record.serialNumber;
    entry["SpectrometerName"] = record.name;
    entry["IntegrationTime_us"] = record.integrationTime_us;
    entry["Spectra"] = record.spectraCount;
    entry["TriggerType"] = record.triggerType >= 0 && static_cast<std::size_t>(record.triggerType) <
                                                          TRIGGER_TYPE_NAMES.size()
                               ? std::string(TRIGGER_TYPE_NAMES[record.triggerType])
                               : std::to_string(record.triggerType);
    entry["DataFilePath"] = record.dataFilePath;
    return entry;
}

}  // namespace

SpectrometerRecord makePlaceholderRecord() {
    SpectrometerRecord record;
    record.integrationTime_us = DEFAULT_INTEGRATION_TIME_US;
    record.spectraCount = DEFAULT_SPECTRA;
    record.triggerType = 0;
    record.slot = SLOT_PLACEHOLDER;
    return record;
}

std::string toPlatformSeparators(std::string path) {
    constexpr char separator = static_cast<char>(std::filesystem::path::preferred_separator);
    std::replace_if(
        path.begin(), path.end(), [](char c) { return c == '/' || c == '\\'; }, separator);
    return path;
}

std::vector<SpectrometerRecord> readConfiguration(const std::string& path) {
    std::error_code ignored;
    std::ifstream file;
    if (!std::filesystem::is_directory(path, ignored)) {
        file.open(path, std::ios::binary);
    }
    if (!file.is_open()) {
        std::cout << "Unable to open configuration file." << std::endl;
        emitStatus(AppStatus().error("Unable to open configuration"));
        return {};
    }

    json root;
    try {
        root = json::parse(file, nullptr, true, false);
    } catch (const json::parse_error& e) {
        std::cout << "message: " << e.what() << "\n"
                  << "exception id: " << e.id << "\n"
                  << "byte position of error: " << e.byte << std::endl;
        emitStatus(AppStatus().error("Configuration parsing failed"));
        return {};
    }

    const std::size_t entryCount = root.size();
    std::vector<SpectrometerRecord> records;
    for (std::size_t i = 0; i < entryCount; ++i) {
        try {
            SpectrometerRecord record;
            if (readEntry(root, i, record)) {
                records.push_back(std::move(record));
            }
        } catch (const std::exception& e) {
            std::cout << "Skipping spectrometer #" << i << " due to: " << e.what() << std::endl;
        }
    }

    std::cout << "List of active spectrometers from JSON (" << entryCount << "):" << std::endl;
    for (std::size_t k = 0; k < records.size(); ++k) {
        std::cout << " " << k << " " << records[k].serialNumber << " alias " << records[k].name
                  << std::endl;
    }

    if (records.empty()) {
        for (int i = 0; i < PLACEHOLDER_COUNT; ++i) {
            records.push_back(makePlaceholderRecord());
        }
    }
    return records;
}

std::string writeConfiguration(const std::string& path,
                               const std::vector<SpectrometerRecord>& records) {
    json output = json::array();
    for (const auto& record : records) {
        output.push_back(toJson(record));
    }

    if (!path.empty() && !records.empty()) {
        std::cout << "Saving output configuration JSON to " << path << std::endl;
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        if (!file.is_open()) {
            std::cout << "Unable to open output configuration JSON file." << std::endl;
            emitStatus(AppStatus().error("Writing configuration failed"));
        } else {
            file << compactJson(output);
            file.close();
            if (file.fail()) {
                // A full disk must not pass for a written file.
                std::cout << "Unable to write output configuration JSON file." << std::endl;
                emitStatus(AppStatus().error("Writing configuration failed"));
            }
        }
    }
    return output.dump(4, ' ', false, json::error_handler_t::replace);
}

}  // namespace quillfen
