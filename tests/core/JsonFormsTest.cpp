#include "core/JsonForms.h"

#include <gtest/gtest.h>

namespace tidemark {
namespace {

using nlohmann::json;

TEST(JsonForms, SnapshotRoundTripsWithNullSwapAndExactUnsignedValues) {
    SystemSnapshot s;
    s.capturedAt = 1741944413.7;
    s.physicalMemoryBytes = UINT64_MAX;
    s.topApplications = {{"bash", std::nullopt, 1, 1}, {"Safari", "com.apple.Safari", 2, 3}};
    const json j = toJson(s);
    EXPECT_TRUE(j["swapUsedBytes"].is_null());
    EXPECT_FALSE(j["topApplications"][0].contains("bundleIdentifier"));
    s.capturedAt = 1741944413;  // written in whole seconds
    EXPECT_EQ(snapshotFromJson(j), s);
}

TEST(JsonForms, ReadingRejectsWrongTypesAndUnknownLevels) {
    const json app = {{"name", "x"}, {"residentBytes", 1}, {"processCount", 1}};
    EXPECT_NO_THROW(appMemoryFromJson(app));
    for (auto [key, value] : std::initializer_list<std::pair<const char*, json>>{
             {"name", 3}, {"residentBytes", -1}, {"processCount", "1"}, {"bundleIdentifier", 1}}) {
        json bad = app;
        bad[key] = value;
        EXPECT_THROW(appMemoryFromJson(bad), JsonFormError) << key;
    }
    json snapshot = toJson(SystemSnapshot{});
    snapshot["pressure"] = "Normal";
    EXPECT_THROW(snapshotFromJson(snapshot), JsonFormError);
}

}  // namespace
}  // namespace tidemark
