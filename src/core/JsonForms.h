#pragma once

#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "core/Models.h"

namespace tidemark {

// Raised when a JSON document does not have the expected form: a missing
// required key, a value of the wrong type, an unknown enumeration value.
class JsonFormError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// nlohmann::json keeps object keys in a sorted map, so every document built
// here is written with sorted keys.
nlohmann::json toJson(const AppMemory& app);
nlohmann::json toJson(const SystemSnapshot& snapshot);

AppMemory appMemoryFromJson(const nlohmann::json& json);
SystemSnapshot snapshotFromJson(const nlohmann::json& json);

// Pretty-printed with sorted keys; never throws. Invalid UTF-8 in a text
// value is replaced rather than failing the whole document.
std::string prettyJson(const nlohmann::json& json);
// One line, for JSON Lines output.
std::string compactJson(const nlohmann::json& json);

// Typed accessors that report a JsonFormError naming the key.
const nlohmann::json& requireKey(const nlohmann::json& object, const char* key);
std::string requireString(const nlohmann::json& object, const char* key);
std::uint64_t requireUnsigned(const nlohmann::json& object, const char* key);
std::int64_t requireInteger(const nlohmann::json& object, const char* key);
bool requireBool(const nlohmann::json& object, const char* key);
// Timestamps are ISO 8601 date-time strings with a time-zone designator.
Timestamp requireTimestamp(const nlohmann::json& object, const char* key);
// Missing or null means absent.
std::optional<Timestamp> optionalTimestamp(const nlohmann::json& object, const char* key);
std::optional<std::uint64_t> optionalUnsigned(const nlohmann::json& object, const char* key);

}  // namespace tidemark
