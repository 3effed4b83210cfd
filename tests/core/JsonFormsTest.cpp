#include "core/JsonForms.h"

#include <gtest/gtest.h>

namespace tidemark {
namespace {

using nlohmann::json;

TEST(JsonForms, SnapshotRoundTripsWithNullSwapAndExactUnsignedValues) {
    SystemSnapshot s;
    s.capturedAt = 1741944413.7;
    s.physicalMemoryBytes = UINT64_MAX;
    s.topApplications = {{"bash", std::nullopt, 1, 1, 1},
                         {"Safari", "com.apple.Safari", 20, 3, 2, MemoryGrowth{1u << 30, 240}}};
    const json j = toJson(s);
    EXPECT_TRUE(j["swapUsedBytes"].is_null());
    EXPECT_FALSE(j["topApplications"][0].contains("bundleIdentifier"));
    s.capturedAt = 1741944413;  // written in whole seconds
    EXPECT_EQ(snapshotFromJson(j), s);
}

TEST(JsonForms, ReadingRejectsWrongTypesAndUnknownLevels) {
    const json app = {{"name", "x"}, {"residentBytes", 1}, {"processCount", 1}};
    // Written before the finer figure was known: the resident one stands in.
    EXPECT_EQ(appMemoryFromJson(app), (AppMemory{"x", std::nullopt, 1, 1, 1}));
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
