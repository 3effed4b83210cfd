#include "app/GraphicalStartGuard.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"
#include "TrayProgram.h"

namespace tidemark {
namespace {

struct Outcome {
    int status = -1;
    QString output;
};

// The real program with only the display variables given here, untraced;
// its home and runtime directories are `root`'s.
Outcome runProgram(const test::TempDir& root, const QStringList& arguments,
                   std::vector<std::pair<QString, QString>> display) {
    display.insert(display.begin(), {{"QT_QPA_PLATFORM", QString()},
                                     {"XDG_SESSION_TYPE", QString()},
                                     {"TIDEMARK_TRACE", QString()}});
    auto run = test::TrayProgram(root.path()).start(arguments, display);
    run->process->closeWriteChannel();
    const bool finished = run->process->waitForFinished(60000);
    run->output += run->process->readAll();
    return {finished && run->process->exitStatus() == QProcess::NormalExit
                ? run->process->exitCode()
                : -1,
            QString::fromUtf8(run->output)};
}

TEST(GraphicalStartGuardTest, WithoutADisplayOneLineAndStatusTwo) {
    struct Case {
        const char* what;
        std::vector<std::pair<QString, QString>> display;
        QString names;
    };
    const Case cases[] = {
        {"nothing set", {}, "neither DISPLAY nor WAYLAND_DISPLAY is set"},
        {"empty values", {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, "neither DISPLAY"},
        {"no X server there", {{"DISPLAY", ":65123"}}, "DISPLAY=:65123 refused"},
        {"no compositor there",
         {{"QT_QPA_PLATFORM", "wayland"}, {"WAYLAND_DISPLAY", "/nonexistent/wayland-9"}},
         "WAYLAND_DISPLAY=/nonexistent/wayland-9 refused"},
        {"forged line in the name", {{"DISPLAY", ":65124\n\x1b[2Jfake"}}, "DISPLAY=:65124\uFFFD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const test::TempDir home;
        const Outcome outcome = runProgram(home, {}, c.display);
        EXPECT_EQ(outcome.status, 2) << outcome.output.toStdString();
        EXPECT_EQ(outcome.output.count(u'\n'), 1) << outcome.output.toStdString();
        EXPECT_TRUE(outcome.output.endsWith(u'\n'));
        EXPECT_TRUE(outcome.output.contains(c.names)) << outcome.output.toStdString();
        EXPECT_TRUE(outcome.output.contains("tidemark --probe"));
        EXPECT_TRUE(std::filesystem::is_empty(home / "home") &&
                    std::filesystem::is_empty(home / "run"));
    }
}

TEST(GraphicalStartGuardTest, HeadlessModesRunWithoutADisplay) {
    const test::TempDir home;
    for (const QStringList& arguments : {QStringList{"--probe"}, QStringList{"--help"},
                                         QStringList{"--version"}, QStringList{"--replay", "-"}}) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const Outcome outcome = runProgram(home, arguments, {});
        EXPECT_EQ(outcome.status, 0) << outcome.output.toStdString();
    }
}

}  // namespace
}  // namespace tidemark
