#include "app/ReplayCommand.h"

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "TempDir.h"

namespace tidemark {
namespace {

using nlohmann::json;

struct ReplayRun {
    int status;
    std::vector<json> lines;
    std::string err;
};

ReplayRun replay(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), "tidemark");
    std::istringstream in(input);
    std::ostringstream out, err;
    ReplayRun run{runReplayCommand(args, in, out, err), {}, err.str()};
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
        run.lines.push_back(json::parse(line));
    }
    return run;
}

const std::string kEpisode = std::string(TIDEMARK_TEST_DATA) + "/replay/episode.jsonl";

TEST(ReplayCommand, EpisodeRaisesOneCriticalAlertRechecksAndRecoversOnce) {
    test::TempDir dir;
    const auto incidents = (dir / "incidents.json").string();
    ReplayRun run = replay({"--replay", kEpisode, "--incidents", incidents});
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.lines.size(), 12u);

    std::vector<std::string> levels, displayed;
    int alerts = 0, recoveries = 0;
    for (const json& line : run.lines) {
        if (line.contains("event"))
            continue;
        levels.push_back(line["level"]);
        displayed.push_back(line["displayedLevel"]);
        alerts += !line["alert"].is_null();
        recoveries += line["recovered"].get<bool>();
    }
    EXPECT_EQ(levels,
              (std::vector<std::string>{"safe", "safe", "watch", "watch", "critical", "critical",
                                        "watch", "watch", "safe", "safe", "safe"}));
    EXPECT_EQ(displayed[8], "watch");  // one calm tick is not yet a recovery
    EXPECT_TRUE(run.lines[9]["isRecovering"].get<bool>());
    EXPECT_EQ(alerts, 1);
    EXPECT_EQ(recoveries, 1);

    const json& critical = run.lines[4];
    EXPECT_EQ(critical["alert"], "critical");
    EXPECT_TRUE(critical["captured"].get<bool>());
    EXPECT_EQ(critical["swapGrowthFiveMinutesBytes"], 2147483648ll);
    EXPECT_EQ(critical["notification"]["identifier"], "tidemark-critical-live");
    EXPECT_EQ(critical["notification"]["title"], "「潮痕」：请立即保存");
    EXPECT_EQ(critical["notification"]["body"], critical["advicePlans"][0]["summary"]);
    EXPECT_EQ(critical["advicePlans"][0]["id"], "chrome.inspect.critical.v1");

    EXPECT_EQ(run.lines[5]["event"], "confirm");
    EXPECT_TRUE(run.lines[5]["followUpPending"].get<bool>());
    EXPECT_TRUE(run.lines[6]["followUpPending"].get<bool>());  // 50 s later: still waiting
    EXPECT_FALSE(run.lines[7]["followUpPending"].get<bool>());
    EXPECT_EQ(run.lines[7]["followUpMessage"],
              "观察到系统压力下降，仍需留意后续状态；不能证明下降由这次操作造成。");

    json file = json::parse(test::TempDir::readFile(incidents));
    ASSERT_EQ(file.size(), 1u);
    EXPECT_EQ(file[0]["highestLevel"], "critical");
    EXPECT_EQ(file[0]["recoveredAt"], "2025-12-06T05:55:40Z");
    EXPECT_EQ(file[0]["topApplications"].size(), 3u);
}

TEST(ReplayCommand, BadInputNamesTheLineKeepsEarlierOutputAndExitsTwo) {
    const std::string good =
        R"({"capturedAt": 1765000000, "pressure": "normal", "physicalMemoryBytes": 1})"
        "\n";
    struct Case {
        std::string line;
        std::string reason;
    } cases[] = {
        {"not json", "not JSON"},
        {R"({"capturedAt": 1, "pressure": "Normal", "physicalMemoryBytes": 1})", "pressure"},
        {R"({"capturedAt": "x", "pressure": "normal", "physicalMemoryBytes": 1})", "capturedAt"},
        {R"({"capturedAt": 1, "pressure": "normal"})", "physicalMemoryBytes"},
        {R"({"event": "dismiss", "at": 1})", "unknown event"},
    };
    for (const Case& c : cases) {
        ReplayRun run = replay({"--replay", "-"}, good + "\n" + c.line + "\n" + good);
        EXPECT_EQ(run.status, 2) << c.line;
        EXPECT_EQ(run.lines.size(), 1u) << c.line;
        EXPECT_EQ(run.err.rfind("tidemark: line 3: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    }
}

TEST(ReplayCommand, TimeGoingBackwardsAndAbsentOptionalsAreNotErrors) {
    ReplayRun run = replay(
        {"--replay", "-"},
        R"({"capturedAt": 1765000600, "pressure": "warning", "swapUsedBytes": null, "physicalMemoryBytes": 8589934592})"
        "\n"
        R"({"capturedAt": 1765000000, "pressure": "unknown", "physicalMemoryBytes": 8589934592})"
        "\n");
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.lines.size(), 2u);
    EXPECT_TRUE(run.lines[0]["swapGrowthFiveMinutesBytes"].is_null());
    EXPECT_EQ(run.lines[1]["level"], "safe");
}

TEST(ReplayCommand, MissingFileIsReported) {
    ReplayRun run = replay({"--replay", "/nonexistent/trace.jsonl"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("cannot read"), std::string::npos);
}

}  // namespace
}  // namespace tidemark
