#include "history/IncidentRecord.h"

#include <gtest/gtest.h>

#include <string>

#include "core/JsonForms.h"

namespace tidemark {
namespace {

// Thirty-two levels are parsed (and refused for what they hold); one more is
// refused before the parser builds anything, however deep the file goes.
TEST(IncidentRecordTest, RefusesFilesNestedDeeperThanThirtyTwoLevels) {
    for (const auto& [depth, nestedTooDeeply] :
         {std::pair{32, false}, std::pair{33, true}, std::pair{1'000'000, true}}) {
        const std::string text = std::string(depth, '[') + std::string(depth, ']');
        try {
            decodeIncidentFile(text);
            ADD_FAILURE() << depth;
        } catch (const JsonFormError& error) {
            EXPECT_EQ(std::string(error.what()) == "nested too deeply", nestedTooDeeply) << depth;
        }
    }
}

// Kills are written only when there are some, so a file without them keeps
// its form; a kill line that cannot be read costs that line alone.
TEST(IncidentRecordTest, KillsRoundTripAndStayOptional) {
    IncidentRecord record;
    record.id = "0F8FAD5B-D9CB-469F-A165-70867728950E";
    record.startedAt = 1'765'000'000;
    record.highestLevel = RiskLevel::critical;
    record.topApplications = {{"python3", std::nullopt, 22ull << 30, 1}};
    EXPECT_FALSE(toJson(record).contains("kills"));
    EXPECT_EQ(decodeIncidentFile(encodeIncidentFile({record})), std::vector{record});

    record.kills = {{1'765'000'060, "kernel", true, record.topApplications[0]},
                    {1'765'000'090, "earlyoom", false, std::nullopt}};
    EXPECT_EQ(decodeIncidentFile(encodeIncidentFile({record})), std::vector{record});

    nlohmann::json edited = toJson(record);
    edited["kills"].push_back({{"killer", "kernel"}});  // no time, no certainty
    EXPECT_EQ(incidentRecordFromJson(edited).kills, record.kills);
    edited["kills"] = "not a list";
    EXPECT_TRUE(incidentRecordFromJson(edited).kills.empty());
}

}  // namespace
}  // namespace tidemark
