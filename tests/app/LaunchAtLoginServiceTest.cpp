#include "app/LaunchAtLoginService.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "ScopedEnvironment.h"
#include "TempDir.h"

namespace tidemark {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

struct LaunchAtLoginServiceTest : ::testing::Test {
    TempDir home;
    test::ScopedEnvironment config{"XDG_CONFIG_HOME", home.path().string()};
    fs::path entry = home / "autostart" / "tidemark.desktop";
};

TEST_F(LaunchAtLoginServiceTest, WritesAndRemovesTheAutostartEntry) {
    EXPECT_EQ(LaunchAtLoginService::defaultAutostartDir(), home / "autostart");
    LaunchAtLoginService service(LaunchAtLoginService::defaultAutostartDir(),
                                 "/opt/Tide Mark/tidemark");
    ASSERT_TRUE(service.isAvailable());
    EXPECT_FALSE(service.isEnabled());

    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(service.setEnabled(true), std::nullopt);
        EXPECT_TRUE(service.isEnabled());
    }
    EXPECT_EQ(TempDir::readFile(entry),
              "[Desktop Entry]\nType=Application\nName=潮痕\nExec=\"/opt/Tide Mark/tidemark\"\n"
              "Icon=tidemark\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
    if (std::system("command -v desktop-file-validate >/dev/null") == 0) {
        EXPECT_EQ(std::system(("desktop-file-validate '" + entry.string() + "'").c_str()), 0);
    }

    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(service.setEnabled(false), std::nullopt);
        EXPECT_FALSE(service.isEnabled());
        EXPECT_FALSE(fs::exists(entry));
    }
}

TEST_F(LaunchAtLoginServiceTest, AnEntryTheSessionWouldSkipIsOff) {
    LaunchAtLoginService service(home / "autostart", "/usr/bin/tidemark");
    const std::pair<const char*, bool> cases[] = {
        {"[Desktop Entry]\nExec=tidemark\n", true},
        {"[Desktop Entry]\nHidden = true\n", false},
        {"[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n", false},
        {"[Desktop Entry]\nX-GNOME-Autostart-enabled=true\n[Other]\nHidden=true\n", true},
    };
    for (const auto& [content, on] : cases) {
        TempDir::writeFile(entry, content);
        EXPECT_EQ(service.isEnabled(), on) << content;
    }
}

TEST_F(LaunchAtLoginServiceTest, ExecFollowsTheQuotingRules) {
    EXPECT_EQ(LaunchAtLoginService::execValue("/usr/bin/tidemark"), "/usr/bin/tidemark");
    EXPECT_EQ(LaunchAtLoginService::execValue("/opt/100%/t"), "/opt/100%%/t");
    EXPECT_EQ(LaunchAtLoginService::execValue("/a b/$x`\"\\"), R"("/a b/\\$x\\`\\"\\\\")");
    EXPECT_EQ(LaunchAtLoginService::execValue("/a\tb\nc;#"), "\"/a\\tb\\nc;#\"");
}

TEST_F(LaunchAtLoginServiceTest, FailuresReachTheCallerAndChangeNothing) {
    TempDir::writeFile(home / "autostart", "a file where the directory belongs");
    LaunchAtLoginService blocked(home / "autostart", "/usr/bin/tidemark");
    const auto error = blocked.setEnabled(true);
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find("autostart"), std::string::npos);
    EXPECT_EQ(TempDir::readFile(home / "autostart"), "a file where the directory belongs");

    LaunchAtLoginService service(home / "other", "/usr/bin/tidemark");
    fs::create_directories(home / "other" / "tidemark.desktop" / "inside");
    EXPECT_TRUE(service.setEnabled(false).has_value());
    EXPECT_TRUE(fs::exists(home / "other" / "tidemark.desktop" / "inside"));

    LaunchAtLoginService strangePath(home / "autostart2", "/opt/t\x01");
    EXPECT_TRUE(strangePath.setEnabled(true).has_value());
    EXPECT_FALSE(fs::exists(home / "autostart2" / "tidemark.desktop"));
}

TEST_F(LaunchAtLoginServiceTest, WithoutAPlaceForTheEntryItRefusesWithTheManualHint) {
    test::ScopedEnvironment noConfig("XDG_CONFIG_HOME", "relative/ignored");
    test::ScopedEnvironment noHome("HOME", (home / "h").string());
    EXPECT_EQ(LaunchAtLoginService::defaultAutostartDir(), home / "h" / ".config" / "autostart");

    LaunchAtLoginService service({}, "/usr/bin/tidemark");
    EXPECT_FALSE(service.isAvailable());
    EXPECT_FALSE(service.isEnabled());
    for (const bool wish : {true, false}) {
        EXPECT_EQ(service.setEnabled(wish),
                  "此系统请在“系统偏好设置 → 用户与群组 → 登录项”中手动添加潮痕。");
    }
}

}  // namespace
}  // namespace tidemark
