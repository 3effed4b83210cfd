#include "freedesktop/DesktopEntries.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>

#include "FakeProbePlatform.h"
#include "ScopedEnvironment.h"
#include "TempDir.h"
#include "core/SystemProbe.h"

namespace tidemark {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using namespace std::chrono_literals;

TEST(DesktopEntriesTest, ParsesEntriesExecLinesAndControlGroups) {
    const DesktopEntry entry = parseDesktopEntry(
        "# comment\n[Desktop Entry]\r\nName[de]=Bearbeiter\nName = My\\sEditor\nName=Second\n"
        "TryExec=/opt/ed/bin\nExec=\"/opt/My Editor/ed\\\\\\\\x\" --new %F\n"
        "[Desktop Action new]\nName=New Window\nExec=other\n");
    EXPECT_EQ(entry, (DesktopEntry{.name = "My Editor",
                                   .program = "/opt/My Editor/ed\\x",
                                   .tryExec = "/opt/ed/bin"}));

    EXPECT_EQ(parseDesktopEntry("[Other]\nName=X\nExec=x\n"), DesktopEntry{});
    const std::pair<const char*, const char*> names[] = {
        {"Name=Chromium Web Browser\nGenericName=Web Browser\n", "Chromium"},
        {"GenericName=Web Browser\nName=Firefox ESR\n", "Firefox ESR"},
        {"Name=Web Browser\nGenericName=Web Browser\n", "Web Browser"},
        {"Name=Some Web Browser\nGenericName=Browser\nGenericName=Web Browser\n", "Some Web"},
    };
    for (const auto& [text, name] : names)
        EXPECT_EQ(parseDesktopEntry(std::string("[Desktop Entry]\n") + text).name, name) << text;
    EXPECT_EQ(parseDesktopEntry("[Desktop Entry]\nName=\xff\n").name, "\xEF\xBF\xBD");

    const std::pair<const char*, std::optional<std::string>> execs[] = {
        {"  /usr/bin/code --new-window", "/usr/bin/code"},
        {"\"/opt/unterminated", std::nullopt},
        {"%f", std::nullopt},
        {"\"%U\"", std::nullopt},
        {"\"/opt/a b/%%%%\"", "/opt/a b/%%"},
    };
    for (const auto& [exec, program] : execs)
        EXPECT_EQ(execProgram(exec), program) << exec;

    // A file past the read limit is never cut inside a line: half a name
    // would be the wrong one.
    TempDir dir;
    std::string big = "[Desktop Entry]\nExec=/opt/big\n#";
    big.resize(128 * 1024 - 10, '#');
    TempDir::writeFile(dir / "big.desktop", big + "\nName=Cut Here\n");
    const std::optional<DesktopEntry> cut = readDesktopEntry((dir / "big.desktop").string());
    ASSERT_TRUE(cut.has_value());
    EXPECT_EQ(cut->program, "/opt/big");
    EXPECT_EQ(cut->name, std::nullopt);

    const std::pair<const char*, std::optional<std::string>> groups[] = {
        {"12:pids:/\n1:name=systemd:/user.slice/app-flatpak-org.gnome.Text_Editor-9.scope/sub\n",
         "org.gnome.Text_Editor"},
        {"0::/app.slice/app-flatpak-org.example.my-app-3.scope", "org.example.my-app"},
        {"0::/app-flatpak-com.example-1.scope", std::nullopt},       // two elements
        {"0::/app-flatpak-com.ex-ample.App-1.scope", std::nullopt},  // "-" before the last
        {"0::/app-flatpak-com.example.App.scope", std::nullopt},     // no instance
        {"0::/app-flatpak-com.9example.App-1.scope", std::nullopt},
    };
    for (const auto& [text, id] : groups)
        EXPECT_EQ(flatpakApplicationId(text), id) << text;
}

class DesktopFixture : public ::testing::Test {
protected:
    DesktopFixture()
        : home(dir / "home"),
          env{{"XDG_DATA_HOME", home.string()},
              {"XDG_DATA_DIRS", (dir / "local").string() + ":" + (dir / "share").string()},
              {"PATH", (dir / "bin").string()}} {
        fs::create_directories(dir / "bin");
    }

    void entry(const fs::path& dataDir, const std::string& id, const std::string& body) {
        TempDir::writeFile(dataDir / "applications" / id,
                           "[Desktop Entry]\nType=Application\n" + body);
    }
    fs::path program(const std::string& relative, bool script = false) {
        const fs::path path = dir / relative;
        TempDir::writeFile(path, script ? "#!/bin/sh\n" : "\177ELF");
        ::chmod(path.c_str(), 0755);
        return path;
    }

    TempDir dir;
    fs::path home;
    test::ScopedEnvironment env[3];
};

TEST_F(DesktopFixture, IndexesProgramsThroughPathAndLinks) {
    const fs::path editor = program("opt/editor/editor-bin");
    fs::create_symlink(editor, dir / "bin" / "editor");
    entry(home, "editor.desktop", "Name=Editor\nExec=editor %F\n");
    entry(dir / "share", "editor.desktop", "Name=Hidden By Home\nExec=/opt/x\n");
    // The browser's entry starts a launcher script that starts the binary.
    const fs::path launcher = program("opt/google/chrome/google-chrome", true);
    const fs::path chrome = program("opt/google/chrome/chrome");
    fs::create_symlink(launcher, dir / "bin" / "google-chrome-stable");
    entry(dir / "share", "google-chrome.desktop",
          "Name=Google Chrome\nExec=google-chrome-stable\n");
    // Two applications claiming one program name neither.
    const fs::path tool = program("bin/tool");
    entry(dir / "local", "a.desktop", "Name=A\nExec=tool --a\n");
    entry(dir / "share", "vendor/b.desktop",
          "Name=B\nExec=tool --b\nTryExec=" + (dir / "opt/b/b-bin").string() + "\n");
    const fs::path bBin = program("opt/b/b-bin");
    // A script on PATH names nothing beside it.
    const fs::path script = program("bin/run-c", true);
    entry(dir / "share", "c.desktop", "Name=C\nExec=run-c\n");

    const DesktopEntryIndex index(DesktopEntryLocations::fromEnvironment());
    EXPECT_EQ(index.nameForExecutable(editor.string()), "Editor");
    EXPECT_EQ(index.nameForExecutable(chrome.string()), "Google Chrome");
    EXPECT_EQ(index.nameForExecutable(tool.string()), std::nullopt);
    EXPECT_EQ(index.nameForExecutable(bBin.string()), "B");
    EXPECT_EQ(index.nameForExecutable(script.string()), "C");
    EXPECT_EQ(index.nameForExecutable(editor.string() + "-helper"), std::nullopt);
    EXPECT_EQ(index.nameForApplicationId("vendor-b"), "B");
}

TEST_F(DesktopFixture, CaptureNamesSandboxesAndDesktopPrograms) {
    const fs::path exports = home / "flatpak/exports/share";
    entry(exports, "com.example.Notes.desktop",
          "Name=Notes\nExec=/usr/bin/flatpak run com.example.Notes\n");
    const fs::path editor = program("opt/editor/editor-bin");
    entry(home, "editor.desktop", "Name=Editor\nExec=" + editor.string() + "\n");

    test::FakeProbePlatform platform;
    const auto add = [&](std::int32_t pid, std::string name, std::string path,
                         std::optional<std::string> app, std::uint64_t bytes) {
        platform.addProcess(pid, std::move(name), std::move(path), bytes);
        if (app)
            platform.controlGroupBytes[pid] = "0::/app.slice/app-flatpak-" + *app + "-7.scope\n";
    };
    add(1, "chrome", "/app/extra/chrome", "com.google.Chrome", 600);
    add(2, "zypak-sandbox", "/app/bin/zypak-sandbox", "com.google.Chrome", 100);
    add(3, "notes", "/app/bin/notes", "com.example.Notes", 500);
    add(4, "viewer", "/app/bin/viewer", "org.example.Viewer", 400);
    add(5, "editor-bin", editor.string(), std::nullopt, 550);
    // A bundle on the path wins over everything else.
    add(7, "x", (dir / "Tool.app/Contents/MacOS/x").string(), "com.example.Notes", 10);
    // A program from the sandbox's runtime is not asked.
    add(8, "python3", "/usr/bin/python3", "com.example.Notes", 5);

    const test::NoBundles bundles;
    SystemProbe probe(platform, bundles, DesktopEntryLocations{{home, exports}, {}});
    const std::vector<AppMemory> expected = {
        {"Google Chrome", "com.google.Chrome", 700, 2, 700},
        {"Editor", std::nullopt, 550, 1, 550},
        {"Notes", "com.example.Notes", 500, 1, 500},
        {"org.example.Viewer", "org.example.Viewer", 400, 1, 400},
        {"Tool", std::nullopt, 10, 1, 10},
        {"python3", std::nullopt, 5, 1, 5}};
    EXPECT_EQ(probe.capture(10).topApplications, expected);
    // Per process only under /app; python3, shown under its own name, once
    // more for the unit the desktop may have started it in.
    EXPECT_EQ(platform.controlGroupReads, (std::vector<std::int32_t>{1, 2, 3, 4, 8}));
}

// The probe keeps its index between captures: an entry rewritten in place is
// not read again while its directory stays as it was; an entry added, a
// directory that appears and a changed XDG_DATA_DIRS are seen at the next
// capture.
TEST_F(DesktopFixture, TheProbeReadsEntriesAgainOnlyWhenTheirDirectoriesChange) {
    const fs::path editor = program("opt/editor/editor-bin");
    const fs::path viewer = program("opt/viewer/viewer-bin");
    const fs::path player = program("opt/player/player-bin");
    entry(home, "editor.desktop", "Name=Editor\nExec=" + editor.string() + "\n");
    test::FakeProbePlatform platform;
    platform.addProcess(1, "editor-bin", editor.string(), 600);
    platform.addProcess(2, "viewer-bin", viewer.string(), 500);
    platform.addProcess(3, "player-bin", player.string(), 400);
    const test::NoBundles bundles;
    SystemProbe probe(platform, bundles);
    const auto names = [&] {
        std::vector<std::string> shown;
        for (const AppMemory& app : probe.capture(3).topApplications)
            shown.push_back(app.name);
        return shown;
    };
    // Written a while ago: a directory changed in the last seconds is read
    // again once more, in case it was still changing.
    const auto settle = [&] {
        for (const fs::path& applications : {home / "applications", dir / "share/applications"})
            if (fs::exists(applications))
                fs::last_write_time(applications, fs::file_time_type::clock::now() - 1h);
    };
    using Names = std::vector<std::string>;
    settle();
    EXPECT_EQ(names(), (Names{"Editor", "viewer-bin", "player-bin"}));

    entry(home, "editor.desktop", "Name=Renamed\nExec=" + editor.string() + "\n");
    EXPECT_EQ(names(), (Names{"Editor", "viewer-bin", "player-bin"})) << "not read again";

    entry(dir / "share", "viewer.desktop", "Name=Viewer\nExec=" + viewer.string() + "\n");
    EXPECT_EQ(names(), (Names{"Renamed", "Viewer", "player-bin"}));
    settle();
    names();
    entry(home, "player.desktop", "Name=Player\nExec=" + player.string() + "\n");
    EXPECT_EQ(names(), (Names{"Renamed", "Viewer", "Player"}));

    const fs::path other = dir / "other";
    entry(other, "player.desktop", "Name=Other Player\nExec=" + player.string() + "\n");
    fs::remove(home / "applications/player.desktop");
    settle();
    EXPECT_EQ(names(), (Names{"Renamed", "Viewer", "player-bin"}));
    const test::ScopedEnvironment dataDirs("XDG_DATA_DIRS", other.string());
    EXPECT_EQ(names(), (Names{"Renamed", "viewer-bin", "Other Player"}));
}

// Entries that start a wrapper script which runs the real program elsewhere:
// matched through the systemd unit the desktop started the application in,
// else through the wrapper's file name.
TEST_F(DesktopFixture, WrapperScriptsNameTheirProgramsThroughUnitsAndFileNames) {
    const fs::path chromiumWrapper = program("bin/chromium", true);
    const fs::path chromium = program("usr/lib/chromium/chromium");
    entry(dir / "share", "chromium.desktop",
          "Name=Chromium\nExec=" + chromiumWrapper.string() + " %U\n");
    program("bin/studio-launcher", true);
    const fs::path studio = program("opt/studio/bin/studio-real");
    entry(dir / "share", "com.example-studio.desktop", "Name=Studio\nExec=studio-launcher\n");
    program("bin/xterm");
    entry(dir / "share", "xterm.desktop", "Name=XTerm\nExec=xterm\n");
    // Two wrappers of one file name in different entries name neither.
    program("bin/same", true);
    program("opt/other/same", true);
    entry(dir / "share", "s1.desktop", "Name=S1\nExec=same\n");
    entry(dir / "share", "s2.desktop", "Name=S2\nExec=" + (dir / "opt/other/same").string() + "\n");

    test::FakeProbePlatform platform;
    const std::string slice = "0::/user.slice/user-1000.slice/user@1000.service/app.slice/";
    const struct {
        std::string path, unit, name;
    } rows[] = {
        {chromium.string(), "", "Chromium"},
        {studio.string(), "app-gnome-com.example\\x2dstudio-4242.scope", "Studio"},
        {studio.string() + "2", "app-com.example\\x2dstudio@9f2c.service", "Studio"},
        {studio.string() + "3", "app-com.example\\x2dstudio-9f2c.scope", "Studio"},
        {studio.string() + "4", "", "studio-real4"},
        // A program run from a terminal is not the terminal; nor is an
        // interpreter in a wrapper's unit the application.
        {"/usr/bin/cargo", "app-gnome-xterm-77.scope", "cargo"},
        {"/usr/bin/python3", "app-gnome-com.example\\x2dstudio-4242.scope", "python3"},
        {"/opt/x/same", "", "same"},
    };
    std::int32_t pid = 1;
    for (const auto& row : rows) {
        platform.addProcess(pid, fs::path(row.path).filename().string(), row.path, 1000u - pid);
        if (!row.unit.empty())
            platform.controlGroupBytes[pid] = "1:name=systemd:/\n" + slice + row.unit + "\n";
        ++pid;
    }
    const test::NoBundles bundles;
    SystemProbe probe(platform, bundles, DesktopEntryLocations::fromEnvironment());
    const std::vector<AppMemory> top = probe.capture(std::size(rows)).topApplications;
    ASSERT_EQ(top.size(), std::size(rows));
    for (std::size_t i = 0; i < top.size(); ++i)
        EXPECT_EQ(top[i].name, rows[i].name) << rows[i].path;
}

TEST_F(DesktopFixture, InterpretersAndWrappersAreNotClaimed) {
    // Each entry runs its application through a program that runs others,
    // on PATH itself or through a link there.
    const std::pair<std::string, std::string> wrappers[] = {
        {"usr/bin/python3.11", "python3 /opt/x/x.py"},
        {"bin/sh", "sh -c 'exec /opt/s/s'"},
        {"bin/Python2.7", "Python2.7 y.py"}};
    std::vector<fs::path> claimed;
    for (const auto& [relative, exec] : wrappers) {
        claimed.push_back(program(relative));
        const fs::path onPath = dir / "bin" / exec.substr(0, exec.find(' '));
        if (!fs::exists(onPath))
            fs::create_symlink(claimed.back(), onPath);
        const std::string number = std::to_string(claimed.size());
        entry(dir / "share", "w" + number + ".desktop",
              "Name=Wrapped " + number + "\nExec=" + exec + "\n");
    }
    // A program whose name only starts like an interpreter is an application.
    const fs::path shotwell = program("bin/shotwell");
    entry(dir / "share", "shotwell.desktop", "Name=Shotwell\nExec=shotwell %U\n");

    const DesktopEntryIndex index(DesktopEntryLocations::fromEnvironment());
    for (const fs::path& path : claimed)
        EXPECT_EQ(index.nameForExecutable(path.string()), std::nullopt) << path;
    EXPECT_EQ(index.nameForExecutable(shotwell.string()), "Shotwell");
}

// The desktop's own processes keep their names, whatever entry starts them,
// matched by the Unicode lower-case form of the name or by the program's file
// name (the kernel cuts "systemd-journald" to 15 bytes).
TEST_F(DesktopFixture, SystemProcessesAreNotRenamedByEntries) {
    const fs::path shell = program("usr/bin/gnome-shell");
    fs::create_symlink(shell, dir / "bin" / "gnome-shell");
    entry(dir / "share", "org.gnome.Shell.desktop", "Name=GNOME Shell\nExec=gnome-shell\n");
    const fs::path journal = program("usr/lib/systemd/systemd-journald");

    test::FakeProbePlatform platform;
    platform.addProcess(1, "gnome-shell", shell.string(), 900);
    platform.addProcess(2, "systemd-journal", journal.string(), 800);
    platform.addProcess(3, "\u212Awin_x11", std::nullopt, 700);  // KELVIN SIGN
    const test::NoBundles bundles;
    SystemProbe probe(platform, bundles, DesktopEntryLocations::fromEnvironment());
    const std::vector<AppMemory> expected = {{"gnome-shell", std::nullopt, 900, 1, 900},
                                             {"systemd-journald", std::nullopt, 800, 1, 800},
                                             {"kwin_x11", std::nullopt, 700, 1, 700}};
    EXPECT_EQ(probe.capture(10).topApplications, expected);
}

}  // namespace
}  // namespace tidemark
