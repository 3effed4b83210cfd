#include "engine/CommandLine.h"

#include <gtest/gtest.h>

#include "core/DebugPreviewConfiguration.h"

namespace tidemark {
namespace {

using Mode = CommandLine::Mode;

TEST(CommandLineTest, EveryModeReadsTheSameParse) {
    struct Case {
        std::vector<std::string> args;
        Mode mode;
    };
    const Case cases[] = {
        {{"tidemark"}, Mode::tray},
        {{}, Mode::tray},
        {{"--help"}, Mode::tray},  // the program's own name is not a switch
        {{"tidemark", "--version", "--help"}, Mode::help},
        {{"tidemark", "--prob", "--version"}, Mode::version},  // answered whatever else is given
        {{"tidemark", "--json", "--probe"}, Mode::probe},
        {{"tidemark", "--replay", "-", "--incidents", "x"}, Mode::replay},
        {{"tidemark", "--replay", "--probe"}, Mode::replay},  // the file's name is its value
        {{"tidemark", "--show-panel", "-platform", "offscreen", "--display", ":1"}, Mode::tray},
        {{"tidemark", "-session", "1234", "-style=fusion", "-reverse"}, Mode::tray},
    };
    for (const auto& [args, mode] : cases) {
        const CommandLine parsed = parseCommandLine(args);
        EXPECT_EQ(parsed.mode, mode) << ::testing::PrintToString(args) << ' ' << parsed.error;
    }
    const CommandLine replay =
        parseCommandLine({"tidemark", "--incidents", "h.json", "--replay", "-"});
    EXPECT_EQ(replay.replayInput, "-");
    EXPECT_EQ(replay.incidentsPath, "h.json");
    EXPECT_TRUE(parseCommandLine({"tidemark", "--probe", "--json"}).json);
}

TEST(CommandLineTest, RefusesWhatNoModeReadsInOneLineNamingIt) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"tidemark", "--prob"}, "unknown switch \"--prob\""},
        {{"tidemark", "--probe", "--jsno"}, "unknown switch \"--jsno\""},
        {{"tidemark", "-h"}, "unknown switch \"-h\""},
        {{"tidemark", "probe"}, "unexpected argument \"probe\""},
        {{"tidemark", "-"}, "unexpected argument \"-\""},
        {{"tidemark", "--x\n\x1b[2J"}, "unknown switch \"--x\xEF\xBF\xBD\xEF\xBF\xBD[2J\""},
        {{"tidemark", "--replay"}, "--replay needs a file (or - for standard input)"},
        {{"tidemark", "--replay", "f", "--incidents"}, "--incidents needs a path"},
        {{"tidemark", "-platform"}, "\"-platform\" needs a value"},
        {{"tidemark", "--probe", "--replay", "-"}, "--probe and --replay cannot be combined"},
        {{"tidemark", "--json"}, "--json goes with --probe"},
        {{"tidemark", "--incidents", "h.json"}, "--incidents goes with --replay"},
        {{"tidemark", "--probe", "--show-panel"},
         "\"--show-panel\" is for the tray application, not for --probe"},
        {{"tidemark", "--replay", "-", "-platform", "xcb"},
         "\"-platform\" is for the tray application, not for --replay"},
    };
    for (const auto& [args, problem] : cases) {
        const CommandLine parsed = parseCommandLine(args);
        EXPECT_EQ(parsed.mode, Mode::invalid) << ::testing::PrintToString(args);
        EXPECT_EQ(parsed.error, "tidemark: " + problem + "; see tidemark --help")
            << ::testing::PrintToString(args);
    }
}

TEST(CommandLineTest, TraySwitchesAndTheirPreviewLength) {
    const auto preview = [](std::vector<std::string> args) {
        args.insert(args.begin(), "tidemark");
        const TraySwitches tray = parseCommandLine(args).tray;
        const auto config = DebugPreviewConfiguration::fromSwitches(tray.enableDebugPreview,
                                                                    tray.manualDebugPreview);
        return config.isEnabled ? config.duration : -config.duration;
    };
    EXPECT_EQ(preview({"--manual-debug-preview", "--enable-debug-preview"}), 120);
    EXPECT_EQ(preview({"--enable-debug-preview"}), 8);
    EXPECT_EQ(preview({"--manual-debug-preview"}), -8);

    const TraySwitches all =
        parseCommandLine({"tidemark", "--accept-local-monitoring-for-testing", "--show-panel",
                          "--show-history", "--show-advice", "--debug-preview-on-launch",
                          "--debug-watch-on-launch", "--enable-debug-preview",
                          "--manual-debug-preview"})
            .tray;
    EXPECT_EQ(all, (TraySwitches{true, true, true, true, true, true, true, true}));
}

TEST(CommandLineTest, HelpDocumentsEverySwitch) {
    for (const char* flag :
         {"--probe", "--json", "--replay FILE", "--incidents PATH", "--help", "--version",
          "--accept-local-monitoring-for-testing", "--show-panel", "--show-history",
          "--show-advice", "--debug-preview-on-launch", "--debug-watch-on-launch",
          "--enable-debug-preview", "--manual-debug-preview", "-platform"})
        EXPECT_NE(usageText().find(flag), std::string::npos) << flag;
    EXPECT_EQ(versionText("1.2.3"), "tidemark 1.2.3\n");
}

}  // namespace
}  // namespace tidemark
