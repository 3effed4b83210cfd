#include "history/IncidentRecord.h"

#include <array>
#include <cstdint>
#include <random>

#include "core/Formatting.h"
#include "core/JsonForms.h"

namespace tidemark {

using nlohmann::json;

namespace {

constexpr char kUpperHex[] = "0123456789ABCDEF";

// 8-4-4-4-12 hexadecimal digits; upper case in memory so that ids compare
// equal however the file spelled them.
std::optional<std::string> canonicalUuid(std::string_view text) {
    if (text.size() != 36) {
        return std::nullopt;
    }
    std::string out(text);
    for (size_t i = 0; i < out.size(); ++i) {
        char& c = out[i];
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != '-') {
                return std::nullopt;
            }
        } else if (c >= 'a' && c <= 'f') {
            c = static_cast<char>(c - 'a' + 'A');
        } else if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
            return std::nullopt;
        }
    }
    return out;
}

}  // namespace

std::string makeIncidentId() {
    std::random_device device;
    std::array<std::uint8_t, 16> bytes{};
    for (size_t i = 0; i < bytes.size(); i += 4) {
        const std::uint32_t word = device();
        for (size_t k = 0; k < 4; ++k) {
            bytes[i + k] = static_cast<std::uint8_t>(word >> (8 * k));
        }
    }
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    std::string out;
    out.reserve(36);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            out.push_back('-');
        }
        out.push_back(kUpperHex[bytes[i] >> 4]);
        out.push_back(kUpperHex[bytes[i] & 0x0F]);
    }
    return out;
}

json toJson(const IncidentRecord& record) {
    json out = json::object();
    out["id"] = record.id;
    out["startedAt"] = formatIsoDate(record.startedAt);
    out["highestLevel"] = std::string(toString(record.highestLevel));
    json apps = json::array();
    for (const AppMemory& app : record.topApplications) {
        apps.push_back(toJson(app));
    }
    out["topApplications"] = std::move(apps);
    if (record.recoveredAt) {
        out["recoveredAt"] = formatIsoDate(*record.recoveredAt);
    }
    if (record.monitoringInterruptedAt) {
        out["monitoringInterruptedAt"] = formatIsoDate(*record.monitoringInterruptedAt);
    }
    if (!record.kills.empty()) {
        json kills = json::array();
        for (const IncidentKill& kill : record.kills) {
            json entry = json::object();
            entry["at"] = formatIsoDate(kill.at);
            entry["killer"] = kill.killer;
            entry["certain"] = kill.certain;
            if (kill.application) {
                entry["application"] = toJson(*kill.application);
            }
            kills.push_back(std::move(entry));
        }
        out["kills"] = std::move(kills);
    }
    return out;
}

IncidentRecord incidentRecordFromJson(const json& object) {
    IncidentRecord record;
    std::optional<std::string> id = canonicalUuid(requireString(object, "id"));
    if (!id) {
        throw JsonFormError("\"id\" is not a UUID");
    }
    record.id = std::move(*id);
    record.startedAt = requireTimestamp(object, "startedAt");
    std::optional<RiskLevel> level = riskLevelFromString(requireString(object, "highestLevel"));
    if (!level) {
        throw JsonFormError("\"highestLevel\" is not a known level");
    }
    record.highestLevel = *level;
    const json& apps = requireKey(object, "topApplications");
    if (!apps.is_array()) {
        throw JsonFormError("\"topApplications\" is not an array");
    }
    // More than three only come from an edited file; they are kept as read
    // and the window shows the first three.
    for (const json& app : apps) {
        record.topApplications.push_back(appMemoryFromJson(app));
    }
    record.recoveredAt = optionalTimestamp(object, "recoveredAt");
    record.monitoringInterruptedAt = optionalTimestamp(object, "monitoringInterruptedAt");
    // A kill that cannot be read costs that line in the window, never the
    // week of history around it.
    if (auto kills = object.find("kills"); kills != object.end() && kills->is_array()) {
        for (const json& entry : *kills) {
            try {
                IncidentKill kill;
                kill.at = requireTimestamp(entry, "at");
                kill.killer = requireString(entry, "killer");
                kill.certain = requireBool(entry, "certain");
                if (auto app = entry.find("application"); app != entry.end() && !app->is_null()) {
                    kill.application = appMemoryFromJson(*app);
                }
                record.kills.push_back(std::move(kill));
            } catch (const JsonFormError&) {
            }
        }
    }
    return record;
}

std::string encodeIncidentFile(const std::vector<IncidentRecord>& records) {
    json array = json::array();
    for (const IncidentRecord& record : records) {
        array.push_back(toJson(record));
    }
    return prettyJson(array) + "\n";
}

std::vector<IncidentRecord> decodeIncidentFile(std::string_view text) {
    // The file nests four levels deep. Stopping the parser at the first
    // value deeper than this keeps a hostile file of millions of brackets
    // from costing seconds of start-up and a tree of millions of nodes.
    constexpr int kMaximumDepth = 32;
    const json::parser_callback_t refuseDeepNesting = [](int depth, json::parse_event_t event,
                                                         json&) {
        // `depth` counts the containers around the one that starts.
        if ((event == json::parse_event_t::object_start ||
             event == json::parse_event_t::array_start) &&
            depth >= kMaximumDepth) {
            throw JsonFormError("nested too deeply");
        }
        return true;
    };
    json document = json::parse(text, refuseDeepNesting, false);
    if (document.is_discarded()) {
        throw JsonFormError("not a JSON document");
    }
    if (!document.is_array()) {
        throw JsonFormError("not a list of records");
    }
    std::vector<IncidentRecord> records;
    records.reserve(document.size());
    for (size_t i = 0; i < document.size(); ++i) {
        try {
            records.push_back(incidentRecordFromJson(document[i]));
        } catch (const JsonFormError& error) {
            throw JsonFormError("record " + std::to_string(i + 1) + ": " + error.what());
        }
    }
    return records;
}

}  // namespace tidemark
