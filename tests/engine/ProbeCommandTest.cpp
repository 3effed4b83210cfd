#include "engine/ProbeCommand.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

#include "FakeProbePlatform.h"
#include "TempDir.h"
#include "core/Formatting.h"

namespace tidemark {
namespace {

using test::TempDir;

std::string run(bool json, test::FakeProbePlatform& platform) {
    std::ostringstream out;
    EXPECT_EQ(runProbeCommand(json, platform, out), 0);
    return out.str();
}

class ProbeCommandTest : public ::testing::Test {
protected:
    ProbeCommandTest() {
        TempDir::writeFile(dir / "Editor.app/Contents/Info.plist",
                           "<plist><dict><key>CFBundleIdentifier</key><string>org.editor</string>"
                           "<key>CFBundleName</key><string>Editor</string></dict></plist>");
        platform.memory = MemoryReadings{1, 0, 16ull << 30, std::nullopt};
        platform.addProcess(10, "tool", "/usr/bin/tool", 1610612736);
        platform.footprints[10] = 1073741824;
        platform.addProcess(11, "editor", (dir / "Editor.app/Contents/MacOS/editor").string(),
                            536870912);
        platform.addProcess(12, "editor helper", (dir / "Editor.app/helper").string(), 0);
        platform.addProcess(13, "gone", std::nullopt, 0);
        platform.processes[13].residentBytes.reset();
    }
    TempDir dir;
    test::FakeProbePlatform platform;
};

TEST_F(ProbeCommandTest, TextAndJson) {
    EXPECT_EQ(run(false, platform),
              "pressure=normal swap=0 MB swap_available=true unreadable=1\n"
              "tool\t1 GB\t1 processes\t-\n"
              "Editor\t512 MB\t2 processes\torg.editor\n");
    test::FakeProbePlatform nothing;
    EXPECT_EQ(run(false, nothing),
              "pressure=unknown swap=不可读取 swap_available=false unreadable=0\n");

    platform.memory.swapUsedBytes.reset();
    const std::string text = run(true, platform);
    EXPECT_TRUE(text.ends_with("\n}\n"));
    const nlohmann::json json = nlohmann::json::parse(text);
    EXPECT_EQ(json["capturedAt"], formatIsoDate(platform.time));
    EXPECT_EQ(json["swapAvailable"], false);
    // The shown figure is what closing frees; the resident sum keeps its key.
    EXPECT_EQ(json["topApplications"][0]["residentBytes"], 1610612736u);
    EXPECT_EQ(json["topApplications"][0]["footprintBytes"], 1073741824u);
}

// Names and identifiers come from other programs: one line per application and
// four fields per line, whatever they contain.
TEST_F(ProbeCommandTest, HostileNamesCannotSplitOrForgeLines) {
    const std::string hostile =
        "evil\tname\npressure=critical swap=0 MB\r\x1b[31m<b>bold</b>\xC2\x85\xff\xfe";
    TempDir::writeFile(dir / "Forged.app/Contents/Info.plist",
                       "<plist><dict><key>CFBundleIdentifier</key>"
                       "<string>com.evil&#9;x&#10;pressure=critical</string></dict></plist>");
    platform.addProcess(20, hostile, std::nullopt, 4ull << 30);
    platform.addProcess(21, "x", (dir / "Forged.app/Contents/MacOS/x").string(), 3ull << 30);

    const std::string text = run(false, platform);
    EXPECT_EQ(decodeUtf8Lossy(text), text);
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    ASSERT_EQ(out.size(), 5u);
    for (size_t i = 1; i < out.size(); ++i) {
        EXPECT_EQ(std::count(out[i].begin(), out[i].end(), '\t'), 3) << out[i];
        EXPECT_EQ(out[i].find_first_of("\r\x1b"), std::string::npos);
    }
    EXPECT_TRUE(out[1].starts_with("evil\xEF\xBF\xBDname\xEF\xBF\xBDpressure=critical"));
    EXPECT_NE(out[1].find("<b>bold</b>"), std::string::npos);  // plain text, left alone
    EXPECT_TRUE(out[2].ends_with("\tcom.evil\xEF\xBF\xBDx\xEF\xBF\xBDpressure=critical"));

    // JSON escapes instead; the decoded name comes back whole.
    const auto json = nlohmann::json::parse(run(true, platform));
    EXPECT_EQ(json["topApplications"][0]["name"], decodeUtf8Lossy(hostile));
    EXPECT_EQ(json["topApplications"][1]["bundleIdentifier"], "com.evil\tx\npressure=critical");
}

}  // namespace
}  // namespace tidemark
