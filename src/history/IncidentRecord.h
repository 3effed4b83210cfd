#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/Models.h"
#include "core/RiskAssessment.h"

namespace tidemark {

// An application a killer ended during the episode.
struct IncidentKill {
    Timestamp at = 0;
    // "kernel", "earlyoom", "systemd-oomd", "nohang"; kept as read.
    std::string killer;
    // Otherwise the window says "likely".
    bool certain = false;
    std::optional<AppMemory> application;
    bool operator==(const IncidentKill&) const = default;
};

// One episode of elevated memory risk.
struct IncidentRecord {
    std::string id;  // canonical upper-case UUID
    Timestamp startedAt = 0;
    RiskLevel highestLevel = RiskLevel::warning;
    std::vector<AppMemory> topApplications;
    std::optional<Timestamp> recoveredAt;
    // The end of the incident was never observed: the program stopped while
    // it was open and found it so at the next start.
    std::optional<Timestamp> monitoringInterruptedAt;
    // Written only when there is one, so that files without kills keep
    // their form.
    std::vector<IncidentKill> kills = {};

    bool isOpen() const { return !recoveredAt && !monitoringInterruptedAt; }
    bool operator==(const IncidentRecord&) const = default;
};

// A new random (version 4) UUID in canonical upper-case form.
std::string makeIncidentId();

// The JSON form of one record in the incident file: sorted keys, absent
// optionals omitted, whole-second UTC timestamps.
nlohmann::json toJson(const IncidentRecord& record);
// Throws JsonFormError for any malformed value; unknown keys are ignored.
IncidentRecord incidentRecordFromJson(const nlohmann::json& object);

// The whole incident file: a JSON array of records, pretty-printed.
std::string encodeIncidentFile(const std::vector<IncidentRecord>& records);
// Throws JsonFormError when the text is not JSON or any record is malformed:
// a history is read completely or not at all.
std::vector<IncidentRecord> decodeIncidentFile(std::string_view text);

}  // namespace tidemark
