#include "settings/LaunchAtLoginService.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "ScopedEnvironment.h"
#include "TempDir.h"
#include "freedesktop/DesktopEntries.h"

namespace tidemark {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

struct LaunchAtLoginServiceTest : ::testing::Test {
    TempDir home;
    test::ScopedEnvironment config{"XDG_CONFIG_HOME", home.path().string()};
    fs::path entry = home / "autostart" / "tidemark.desktop";
};

// The keys the reader leaves to the session are written as they are; an
// entry the session would skip is off.
TEST_F(LaunchAtLoginServiceTest, AnEntryTheSessionWouldSkipIsOff) {
    LaunchAtLoginService service(home / "autostart", "/usr/bin/tidemark");
    ASSERT_EQ(service.setEnabled(true), std::nullopt);
    EXPECT_EQ(TempDir::readFile(entry),
              "[Desktop Entry]\nType=Application\nName=潮痕\nExec=/usr/bin/tidemark\n"
              "Icon=tidemark\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
    for (const auto& [content, on] : std::initializer_list<std::pair<const char*, bool>>{
             {"[Desktop Entry]\nExec=tidemark\n", true},
             {"[Desktop Entry]\nHidden = true\n", false},
             {"[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n", false},
             {"[Desktop Entry]\nX-GNOME-Autostart-enabled=true\n[Other]\nHidden=true\n", true}}) {
        TempDir::writeFile(entry, content);
        EXPECT_EQ(service.isEnabled(), on) << content;
    }
}

// What the writer writes, the desktop-entry reader reads back as the same
// program, however the path is spelled; switching twice either way is harmless.
TEST_F(LaunchAtLoginServiceTest, EveryPathReadsBackAsTheSameProgram) {
    EXPECT_EQ(LaunchAtLoginService::defaultAutostartDir(), home / "autostart");
    for (const std::string path :
         {"/opt/Tide Mark/tidemark", "/opt/100%/t", "/opt/%U/%%x%", "/a b/$x`\"\\", "/a\tb\nc;#",
          "/a\rb", "/opt/ 潮痕 /t'x'", "/x\\s\\n\\", "/a=b [Desktop Entry]", "/trailing ",
          "/#x/<b>&amp;", "/\"quoted\""}) {
        SCOPED_TRACE(path);
        LaunchAtLoginService service(home / "autostart", path);
        for (const bool on : {true, true, false, false}) {
            ASSERT_EQ(service.setEnabled(on), std::nullopt);
            EXPECT_EQ(service.isEnabled(), on);
            EXPECT_EQ(readDesktopEntry(entry),
                      on ? std::optional(DesktopEntry{"潮痕", path, std::nullopt, false, false})
                         : std::nullopt);
        }
    }
}

TEST_F(LaunchAtLoginServiceTest, FailuresReachTheCallerAndChangeNothing) {
    TempDir::writeFile(home / "autostart", "a file");
    const auto error = LaunchAtLoginService(home / "autostart", "/t").setEnabled(true);
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find("autostart"), std::string::npos);
    EXPECT_EQ(TempDir::readFile(home / "autostart"), "a file");

    fs::create_directories(home / "other" / "tidemark.desktop" / "inside");
    EXPECT_TRUE(LaunchAtLoginService(home / "other", "/t").setEnabled(false).has_value());
    EXPECT_TRUE(fs::exists(home / "other" / "tidemark.desktop" / "inside"));

    EXPECT_TRUE(LaunchAtLoginService(home / "a2", "/opt/t\x01").setEnabled(true).has_value());
    EXPECT_FALSE(fs::exists(home / "a2" / "tidemark.desktop"));
}

TEST_F(LaunchAtLoginServiceTest, WithoutAPlaceForTheEntryItRefusesWithTheManualHint) {
    test::ScopedEnvironment noConfig("XDG_CONFIG_HOME", "relative/ignored");
    test::ScopedEnvironment noHome("HOME", (home / "h").string());
    EXPECT_EQ(LaunchAtLoginService::defaultAutostartDir(), home / "h" / ".config" / "autostart");
    LaunchAtLoginService service({}, "/usr/bin/tidemark");
    EXPECT_FALSE(service.isAvailable() || service.isEnabled());
    for (const bool wish : {true, false})
        EXPECT_EQ(service.setEnabled(wish), "此系统请在桌面的“自动启动”设置中手动添加潮痕。");
}

}  // namespace
}  // namespace tidemark
