#include "app/GraphicalStartGuard.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"

namespace tidemark {
namespace {

struct Outcome {
    int status = -1;
    QString output;
};

// The real program in a home of its own, with only the display variables
// given here.
Outcome runProgram(const test::TempDir& home, const QStringList& arguments,
                   const std::vector<std::pair<QString, QString>>& display) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE",
                             "DBUS_SESSION_BUS_ADDRESS", "XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
        env.remove(name);
    }
    for (const auto& [name, value] : display) {
        env.insert(name, value);
    }
    const QString root = QString::fromStdString(home.path().string());
    env.insert("HOME", root);
    env.insert("XDG_RUNTIME_DIR", root);
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(TIDEMARK_BINARY, arguments);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll())};
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
        EXPECT_TRUE(std::filesystem::is_empty(home.path())) << "stored something";
    }
}

TEST(GraphicalStartGuardTest, HeadlessModesRunWithoutADisplay) {
    const test::TempDir home;
    for (const QStringList& arguments : {QStringList{"--probe"}, QStringList{"--help"},
                                         QStringList{"--version"}, QStringList{"--replay", "-"}}) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const Outcome outcome = runProgram(home, arguments, {});
        EXPECT_EQ(outcome.status, 0) << outcome.output.toStdString();
        EXPECT_FALSE(outcome.output.contains("graphical session"));
    }
}

}  // namespace
}  // namespace tidemark
