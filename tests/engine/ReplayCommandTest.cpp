#include "engine/ReplayCommand.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "TempDir.h"
#include "engine/CommandLine.h"

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
    ReplayRun run{runReplayCommand(parseCommandLine(args), in, out, err), {}, err.str()};
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);)
        run.lines.push_back(json::parse(line));
    return run;
}

TEST(ReplayCommand, EpisodeReportsEveryTickTheAlertTheRecheckAndTheRecovery) {
    test::TempDir dir;
    const auto incidents = (dir / "incidents.json").string();
    const ReplayRun run =
        replay({"--replay", TIDEMARK_TEST_DATA "/replay/episode.jsonl", "--incidents", incidents});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    ASSERT_EQ(run.lines.size(), 12u);

    // How many alerts and recoveries the tick gives is MonitoringEngineTest's;
    // here, that each reaches its line of output.
    std::vector<std::string> levels;
    for (const json& line : run.lines) {
        if (!line.contains("event"))
            levels.push_back(line["level"]);
    }
    EXPECT_EQ(levels,
              (std::vector<std::string>{"safe", "safe", "watch", "watch", "critical", "critical",
                                        "watch", "watch", "safe", "safe", "safe"}));
    EXPECT_TRUE(run.lines[9]["isRecovering"].get<bool>());
    EXPECT_TRUE(run.lines[10]["recovered"].get<bool>());

    const json& critical = run.lines[4];
    EXPECT_EQ(critical["notification"]["identifier"], "tidemark-critical-live");
    EXPECT_EQ(critical["notification"]["body"], critical["advicePlans"][0]["summary"]);
    EXPECT_TRUE(run.lines[3]["alert"].is_null());

    EXPECT_EQ(run.lines[5]["event"], "confirm");
    EXPECT_TRUE(run.lines[6]["followUpPending"].get<bool>());  // 50 s later: still waiting
    EXPECT_FALSE(run.lines[7]["followUpPending"].get<bool>());
    EXPECT_TRUE(std::filesystem::exists(incidents));
}

TEST(ReplayCommand, BadInputNamesTheLineKeepsEarlierOutputAndExitsTwo) {
    // Null and absent optionals and an unknown level are no errors.
    const std::string good =
        R"({"capturedAt": 1765000000, "pressure": "unknown", "swapUsedBytes": null, )"
        R"("physicalMemoryBytes": 1})"
        "\n";
    const std::pair<std::string, std::string> cases[] = {
        {"not json", "not JSON"},
        {R"({"capturedAt": 1, "pressure": "Normal", "physicalMemoryBytes": 1})", "pressure"},
        {R"({"capturedAt": "x", "pressure": "normal", "physicalMemoryBytes": 1})", "capturedAt"},
        {R"({"capturedAt": 1, "pressure": "normal"})", "physicalMemoryBytes"},
        {R"({"event": "dismiss", "at": 1})", "unknown event"},
    };
    for (const auto& [line, reason] : cases) {
        const ReplayRun run = replay({"--replay", "-"}, good + "\n" + line + "\n" + good);
        EXPECT_EQ(run.status, 2) << line;
        EXPECT_EQ(run.lines.size(), 1u) << line;
        EXPECT_EQ(run.err.rfind("tidemark: line 3: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
    }
    const ReplayRun missing = replay({"--replay", "/nonexistent/trace.jsonl"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("cannot read"), std::string::npos);
}

}  // namespace
}  // namespace tidemark
