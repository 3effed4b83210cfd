#include "core/JsonForms.h"

#include "core/Formatting.h"

namespace tidemark {

using nlohmann::json;

json toJson(const AppMemory& app) {
    json out = json::object();
    out["name"] = app.name;
    if (app.bundleIdentifier) {
        out["bundleIdentifier"] = *app.bundleIdentifier;
    }
    out["residentBytes"] = app.residentBytes;
    out["footprintBytes"] = app.footprintBytes;
    out["processCount"] = app.processCount;
    if (app.growth) {
        out["growthBytes"] = app.growth->bytes;
        out["growthSeconds"] = app.growth->seconds;
    }
    return out;
}

json toJson(const SystemSnapshot& snapshot) {
    json out = json::object();
    out["capturedAt"] = formatIsoDate(snapshot.capturedAt);
    out["pressure"] = std::string(toString(snapshot.pressure));
    out["swapUsedBytes"] = snapshot.swapUsedBytes ? json(*snapshot.swapUsedBytes) : json(nullptr);
    out["swapAvailable"] = snapshot.swapAvailable();
    out["physicalMemoryBytes"] = snapshot.physicalMemoryBytes;
    json apps = json::array();
    for (const AppMemory& app : snapshot.topApplications) {
        apps.push_back(toJson(app));
    }
    out["topApplications"] = std::move(apps);
    out["unreadableProcessCount"] = snapshot.unreadableProcessCount;
    out["processListAvailable"] = snapshot.processListAvailable;
    return out;
}

const json& requireKey(const json& object, const char* key) {
    if (!object.is_object()) {
        throw JsonFormError("expected an object");
    }
    auto it = object.find(key);
    if (it == object.end()) {
        throw JsonFormError(std::string("missing key \"") + key + "\"");
    }
    return *it;
}

static JsonFormError wrongType(const char* key, const char* expected) {
    return JsonFormError(std::string("\"") + key + "\" is not " + expected);
}

std::string requireString(const json& object, const char* key) {
    const json& v = requireKey(object, key);
    if (!v.is_string()) {
        throw wrongType(key, "a string");
    }
    return v.get<std::string>();
}

std::uint64_t requireUnsigned(const json& object, const char* key) {
    const json& v = requireKey(object, key);
    if (v.is_number_unsigned()) {
        return v.get<std::uint64_t>();
    }
    if (v.is_number_integer() && v.get<std::int64_t>() >= 0) {
        return static_cast<std::uint64_t>(v.get<std::int64_t>());
    }
    throw wrongType(key, "an unsigned integer");
}

std::int64_t requireInteger(const json& object, const char* key) {
    const json& v = requireKey(object, key);
    if (v.is_number_unsigned()) {
        auto u = v.get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(INT64_MAX)) {
            throw wrongType(key, "a 64-bit integer");
        }
        return static_cast<std::int64_t>(u);
    }
    if (v.is_number_integer()) {
        return v.get<std::int64_t>();
    }
    throw wrongType(key, "an integer");
}

bool requireBool(const json& object, const char* key) {
    const json& v = requireKey(object, key);
    if (!v.is_boolean()) {
        throw wrongType(key, "a Boolean");
    }
    return v.get<bool>();
}

Timestamp requireTimestamp(const json& object, const char* key) {
    std::string text = requireString(object, key);
    std::optional<Timestamp> t = parseIsoDate(text);
    if (!t) {
        throw JsonFormError(std::string("\"") + key + "\" is not an ISO 8601 date-time");
    }
    return *t;
}

std::optional<Timestamp> optionalTimestamp(const json& object, const char* key) {
    auto it = object.find(key);
    if (it == object.end() || it->is_null()) {
        return std::nullopt;
    }
    return requireTimestamp(object, key);
}

std::optional<std::uint64_t> optionalUnsigned(const json& object, const char* key) {
    auto it = object.find(key);
    if (it == object.end() || it->is_null()) {
        return std::nullopt;
    }
    return requireUnsigned(object, key);
}

AppMemory appMemoryFromJson(const json& object) {
    AppMemory app;
    app.name = requireString(object, "name");
    auto it = object.find("bundleIdentifier");
    if (it != object.end() && !it->is_null()) {
        if (!it->is_string()) {
            throw wrongType("bundleIdentifier", "a string");
        }
        app.bundleIdentifier = it->get<std::string>();
    }
    app.residentBytes = requireUnsigned(object, "residentBytes");
    // Files from before the finer figure was known carry the resident one only.
    app.footprintBytes = optionalUnsigned(object, "footprintBytes").value_or(app.residentBytes);
    app.processCount = requireInteger(object, "processCount");
    const std::optional<std::uint64_t> growthBytes = optionalUnsigned(object, "growthBytes");
    const auto seconds = object.find("growthSeconds");
    if (growthBytes && seconds != object.end() && seconds->is_number() &&
        seconds->get<double>() >= 0) {
        app.growth = MemoryGrowth{*growthBytes, seconds->get<double>()};
    }
    return app;
}

SystemSnapshot snapshotFromJson(const json& object) {
    SystemSnapshot s;
    s.capturedAt = requireTimestamp(object, "capturedAt");
    std::optional<Pressure> pressure = pressureFromString(requireString(object, "pressure"));
    if (!pressure) {
        throw JsonFormError("\"pressure\" is not a known level");
    }
    s.pressure = *pressure;
    s.swapUsedBytes = optionalUnsigned(object, "swapUsedBytes");
    s.physicalMemoryBytes = requireUnsigned(object, "physicalMemoryBytes");
    const json& apps = requireKey(object, "topApplications");
    if (!apps.is_array()) {
        throw wrongType("topApplications", "an array");
    }
    for (const json& app : apps) {
        s.topApplications.push_back(appMemoryFromJson(app));
    }
    s.unreadableProcessCount = requireInteger(object, "unreadableProcessCount");
    s.processListAvailable = requireBool(object, "processListAvailable");
    return s;
}

std::string prettyJson(const json& value) {
    return value.dump(2, ' ', false, json::error_handler_t::replace);
}

std::string compactJson(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace tidemark
