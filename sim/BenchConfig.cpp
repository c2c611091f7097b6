#include "sim/BenchConfig.h"

#include <fstream>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string_view>

namespace spectro::sim {

namespace {

using nlohmann::json;

[[noreturn]] void refuse(const std::string& where, const std::string& what) {
    throw BenchError(where + ": " + what);
}

// Typos in key names would otherwise pass silently as defaults.
void refuseUnknownKeys(const json& object, const std::string& where,
                       std::initializer_list<std::string_view> known) {
    for (const auto& item : object.items()) {
        bool listed = false;
        for (std::string_view key : known) listed = listed || item.key() == key;
        if (!listed) refuse(where, "unknown key \"" + item.key() + "\"");
    }
}

std::uint64_t nonNegativeInteger(const json& value, const std::string& where,
                                 std::uint64_t largest) {
    if (!value.is_number_integer() ||
        (!value.is_number_unsigned() && value.get<std::int64_t>() < 0))
        refuse(where, "must be a non-negative integer");
    const std::uint64_t number = value.get<std::uint64_t>();
    if (number > largest) refuse(where, "must not exceed " + std::to_string(largest));
    return number;
}

std::optional<std::chrono::milliseconds> parseTrigger(const json& bench) {
    const auto found = bench.find("trigger");
    if (found == bench.end()) return std::chrono::milliseconds(300);
    if (found->is_null()) return std::nullopt;
    if (!found->is_object()) refuse("trigger", "must be an object or null");
    refuseUnknownKeys(*found, "trigger", {"after_armed_ms"});
    const auto after = found->find("after_armed_ms");
    if (after == found->end()) return std::chrono::milliseconds(300);
    if (after->is_null()) return std::nullopt;
    // A day is far beyond any shot; the bound keeps the arithmetic of simulated time safe.
    return std::chrono::milliseconds(
        nonNegativeInteger(*after, "trigger.after_armed_ms", 86'400'000));
}

// A message type as a JSON number or as a hexadecimal text such as "0x00110110".
std::optional<std::uint32_t> messageType(const json& value) {
    if (value.is_number_unsigned() && value.get<std::uint64_t>() <= 0xFFFFFFFFu)
        return static_cast<std::uint32_t>(value.get<std::uint64_t>());
    if (!value.is_string()) return std::nullopt;
    const std::string text = value.get<std::string>();
    if (text.size() < 3 || text.size() > 10 ||
        (text.rfind("0x", 0) != 0 && text.rfind("0X", 0) != 0) ||
        text.find_first_not_of("0123456789abcdefABCDEF", 2) != std::string::npos)
        return std::nullopt;
    return static_cast<std::uint32_t>(std::stoul(text.substr(2), nullptr, 16));
}

UnitFaults parseFaults(const json& faults, const std::string& where, const UnitConfig& unit) {
    if (!faults.is_object()) refuse(where, "must be an object");
    refuseUnknownKeys(
        faults, where,
        {"disconnect_after_spectra", "bad_sync_at_spectrum", "fail_opcodes", "nack_message_types"});
    const LegacyModel* legacy = unit.legacyModel;
    const std::string& name = unit.modelName();
    UnitFaults parsed;
    constexpr std::uint64_t huge = 1ULL << 53;
    if (auto it = faults.find("disconnect_after_spectra"); it != faults.end() && !it->is_null())
        parsed.disconnectAfterSpectra =
            nonNegativeInteger(*it, where + ".disconnect_after_spectra", huge);
    if (auto it = faults.find("bad_sync_at_spectrum"); it != faults.end() && !it->is_null()) {
        // Without a sync byte the fault could not show, and the bench would test nothing.
        if (legacy == nullptr)
            refuse(where + ".bad_sync_at_spectrum",
                   "the " + name + " sends framed messages, which have no sync byte");
        if (!legacy->syncByte)
            refuse(where + ".bad_sync_at_spectrum",
                   "the frames of the " + name + " have no sync byte");
        parsed.badSyncAtSpectrum = nonNegativeInteger(*it, where + ".bad_sync_at_spectrum", huge);
    }
    if (auto it = faults.find("fail_opcodes"); it != faults.end()) {
        if (legacy == nullptr)
            refuse(where + ".fail_opcodes", "the " + name +
                                                " takes framed messages, not opcodes (use "
                                                "\"nack_message_types\")");
        if (!it->is_array())
            refuse(where + ".fail_opcodes", "must be an array of integers from 0 to 255");
        for (const json& opcode : *it) {
            if (!opcode.is_number_integer() || opcode.get<std::int64_t>() < 0 ||
                opcode.get<std::int64_t>() > 255)
                refuse(where + ".fail_opcodes", "must be an array of integers from 0 to 255");
            parsed.failOpcodes.insert(static_cast<std::uint8_t>(opcode.get<int>()));
        }
    }
    if (auto it = faults.find("nack_message_types"); it != faults.end()) {
        if (legacy != nullptr)
            refuse(where + ".nack_message_types", "the " + name +
                                                      " takes single-byte commands, not framed "
                                                      "messages (use \"fail_opcodes\")");
        const char* shape =
            "must be an array of message types (integers from 0 to 4294967295 or texts such as "
            "\"0x00110110\")";
        if (!it->is_array()) refuse(where + ".nack_message_types", shape);
        for (const json& type : *it) {
            const auto parsedType = messageType(type);
            if (!parsedType) refuse(where + ".nack_message_types", shape);
            parsed.nackMessageTypes.insert(*parsedType);
        }
    }
    return parsed;
}

std::map<int, std::string> parseEeprom(const json& eeprom, const std::string& where,
                                       const LegacyModel& model) {
    if (!eeprom.is_object()) refuse(where, "must be an object of slot texts");
    std::map<int, std::string> slots;
    for (const auto& item : eeprom.items()) {
        const std::string& key = item.key();
        int slot = -1;
        if (!key.empty() && key.size() <= 3 &&
            key.find_first_not_of("0123456789") == std::string::npos)
            slot = std::stoi(key);
        if (slot < 0 || slot >= model.slotCount)
            refuse(where, "slot \"" + key + "\" is not a slot number from 0 to " +
                              std::to_string(model.slotCount - 1) + " of the " + model.name);
        if (!item.value().is_string()) refuse(where + "." + key, "must be a text");
        const std::string text = item.value().get<std::string>();
        if (text.size() > 15) refuse(where + "." + key, "holds at most 15 bytes");
        slots[slot] = text;
    }
    return slots;
}

UnitConfig parseUnit(const json& unit, const std::string& where) {
    if (!unit.is_object()) refuse(where, "must be an object");
    refuseUnknownKeys(unit, where,
                      {"model", "serial", "pattern", "trigger_offset_us", "pcb_temperature_c",
                       "fpga_version", "high_speed", "eeprom", "faults"});
    UnitConfig parsed;

    const auto model = unit.find("model");
    if (model == unit.end()) refuse(where, "\"model\" is missing");
    if (!model->is_string()) refuse(where + ".model", "must be a text");
    parsed.legacyModel = findLegacyModel(model->get<std::string>());
    parsed.fbpModel = findFbpModel(model->get<std::string>());
    if (parsed.legacyModel == nullptr && parsed.fbpModel == nullptr)
        refuse(where + ".model", "unknown model \"" + model->get<std::string>() + "\"");
    // Keys of the legacy hardware would otherwise be taken and silently mean nothing.
    if (parsed.fbpModel != nullptr) {
        for (const char* key : {"fpga_version", "eeprom"}) {
            if (unit.contains(key))
                refuse(where + "." + key,
                       "the " + parsed.modelName() + " has no " +
                           (std::string(key) == "eeprom" ? "information slots" : "FPGA register"));
        }
    }

    const auto serial = unit.find("serial");
    if (serial == unit.end()) refuse(where, "\"serial\" is missing");
    // A legacy serial number fills one 16-byte information slot with its zero byte; a framed
    // unit sends its text in a message, so it may be long (to test hosts with long texts).
    const std::size_t longestSerial = parsed.legacyModel != nullptr ? 15 : 4096;
    if (!serial->is_string() || serial->get<std::string>().empty() ||
        serial->get<std::string>().size() > longestSerial)
        refuse(where + ".serial",
               "must be a text of 1 to " + std::to_string(longestSerial) + " bytes");
    parsed.serial = serial->get<std::string>();

    if (auto it = unit.find("pattern"); it != unit.end()) {
        if (*it == "lines")
            parsed.pattern = SpectrumPattern::Lines;
        else if (*it == "ramp")
            parsed.pattern = SpectrumPattern::Ramp;
        else if (*it == "ramp16")
            parsed.pattern = SpectrumPattern::Ramp16;
        else
            refuse(where + ".pattern", "must be \"lines\", \"ramp\" or \"ramp16\"");
    }
    if (auto it = unit.find("trigger_offset_us"); it != unit.end())
        parsed.triggerOffset = std::chrono::microseconds(
            nonNegativeInteger(*it, where + ".trigger_offset_us", 86'400'000'000ULL));
    if (auto it = unit.find("pcb_temperature_c"); it != unit.end()) {
        if (!it->is_number()) refuse(where + ".pcb_temperature_c", "must be a number");
        parsed.pcbTemperatureC = it->get<double>();
        // The board reports it in steps of 0.003906 degrees as a signed 16-bit count.
        if (parsed.pcbTemperatureC < -127.0 || parsed.pcbTemperatureC > 127.0)
            refuse(where + ".pcb_temperature_c", "must lie between -127 and 127");
    }
    if (auto it = unit.find("fpga_version"); it != unit.end())
        parsed.fpgaVersion =
            static_cast<std::uint16_t>(nonNegativeInteger(*it, where + ".fpga_version", 0xFFFF));
    if (auto it = unit.find("high_speed"); it != unit.end()) {
        if (!it->is_boolean()) refuse(where + ".high_speed", "must be true or false");
        parsed.highSpeed = it->get<bool>();
    }
    if (auto it = unit.find("eeprom"); it != unit.end())
        parsed.eeprom = parseEeprom(*it, where + ".eeprom", *parsed.legacyModel);
    if (auto it = unit.find("faults"); it != unit.end())
        parsed.faults = parseFaults(*it, where + ".faults", parsed);
    return parsed;
}

}  // namespace

BenchConfig parseBench(const std::string& jsonText) {
    json bench;
    try {
        bench = json::parse(jsonText);
    } catch (const json::parse_error& error) {
        throw BenchError(std::string("not valid JSON: ") + error.what());
    }
    if (!bench.is_object()) throw BenchError("the bench must be a JSON object");
    refuseUnknownKeys(bench, "bench", {"timing", "trigger", "devices"});

    BenchConfig parsed;
    if (auto it = bench.find("timing"); it != bench.end()) {
        if (*it == "realtime")
            parsed.timing = Timing::Realtime;
        else if (*it == "fast")
            parsed.timing = Timing::Fast;
        else
            refuse("timing", "must be \"realtime\" or \"fast\"");
    }
    parsed.triggerAfterArmed = parseTrigger(bench);
    if (auto it = bench.find("devices"); it != bench.end()) {
        if (!it->is_array()) refuse("devices", "must be an array");
        for (std::size_t i = 0; i < it->size(); ++i)
            parsed.units.push_back(parseUnit((*it)[i], "devices[" + std::to_string(i) + "]"));
    }
    return parsed;
}

BenchConfig readBenchFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw BenchError("the file cannot be read");
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) throw BenchError("the file cannot be read");
    return parseBench(text.str());
}

BenchConfig demoBench() {
    BenchConfig bench;
    for (const char* serial : {"HR+C1834", "HR+C0732"}) {
        UnitConfig unit;
        unit.legacyModel = findLegacyModel("HR2000+");
        unit.serial = serial;
        bench.units.push_back(unit);
    }
    return bench;
}

}  // namespace spectro::sim
