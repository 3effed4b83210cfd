#include "engine/CommandLine.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tidemark {
namespace {

TEST(CommandLineTest, HelpAndVersionWinOverEveryOtherSwitch) {
    using enum InformationRequest;
    const std::pair<std::vector<std::string>, InformationRequest> cases[] = {
        {{"tidemark", "--probe", "--json"}, none},
        {{"tidemark", "--unknown", "-h"}, none},
        {{"tidemark", "--help=1", "--versions"}, none},
        {{"tidemark", "--version", "--help"}, help},
        {{"tidemark", "--replay", "-", "--version"}, version},
        {{"--help"}, none},  // the program's own name is not a switch
        {{}, none},
    };
    for (const auto& [args, request] : cases)
        EXPECT_EQ(informationRequest(args), request) << ::testing::PrintToString(args);
}

TEST(CommandLineTest, PrintsTheVersionAndDocumentsEverySwitch) {
    std::ostringstream out;
    EXPECT_EQ(runInformationCommand(InformationRequest::version, "1.2.3", out), 0);
    EXPECT_EQ(out.str(), "tidemark 1.2.3\n");
    out.str("");
    EXPECT_EQ(runInformationCommand(InformationRequest::help, "1.2.3", out), 0);
    for (const char* flag :
         {"--probe", "--json", "--replay FILE", "--incidents PATH", "--help", "--version",
          "--accept-local-monitoring-for-testing", "--show-panel", "--show-history",
          "--show-advice", "--debug-preview-on-launch", "--debug-watch-on-launch",
          "--enable-debug-preview", "--manual-debug-preview"})
        EXPECT_NE(out.str().find(flag), std::string::npos) << flag;
}

}  // namespace
}  // namespace tidemark
