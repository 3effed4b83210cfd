#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tidemark {
namespace {

TEST(CommandLineTest, HelpAndVersionWinOverEveryOtherSwitch) {
    using enum InformationRequest;
    const struct {
        std::vector<std::string> args;
        InformationRequest request;
    } cases[] = {
        {{"tidemark"}, none},
        {{"tidemark", "--probe", "--json"}, none},
        {{"tidemark", "--unknown", "-h"}, none},
        {{"tidemark", "--help=1", "--versions"}, none},
        {{"tidemark", "--probe", "--help"}, help},
        {{"tidemark", "--version", "--help"}, help},
        {{"tidemark", "--replay", "-", "--version"}, version},
        // The program's own name is not a switch.
        {{"--help"}, none},
        {{}, none},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(informationRequest(c.args), c.request) << ::testing::PrintToString(c.args);
    }
}

TEST(CommandLineTest, PrintsUsageAndVersion) {
    std::ostringstream out;
    EXPECT_EQ(runInformationCommand(InformationRequest::version, "1.2.3", out), 0);
    EXPECT_EQ(out.str(), "tidemark 1.2.3\n");

    out.str("");
    EXPECT_EQ(runInformationCommand(InformationRequest::help, "1.2.3", out), 0);
    // Every switch the program reads is documented.
    for (const char* flag :
         {"--probe", "--json", "--replay FILE", "--incidents PATH", "--help", "--version",
          "--accept-local-monitoring-for-testing", "--show-panel", "--show-history",
          "--show-advice", "--debug-preview-on-launch", "--debug-watch-on-launch",
          "--enable-debug-preview", "--manual-debug-preview"}) {
        EXPECT_NE(out.str().find(flag), std::string::npos) << flag;
    }
}

}  // namespace
}  // namespace tidemark
