#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

namespace tidemark::test {

// The real tray program, offscreen, in a session of its own under `root`:
// private runtime, home and data directories, no display, no session bus,
// consent given on the command line, tracing on.
class TrayProgram {
public:
    explicit TrayProgram(const std::filesystem::path& root) : m_root(root) {
        std::filesystem::create_directories(root / "run");
        std::filesystem::permissions(root / "run", std::filesystem::perms::owner_all);
        std::filesystem::create_directories(root / "home");
    }

    std::filesystem::path dataHome() const { return m_root / "home/.local/share"; }
    std::filesystem::path runtimeDirectory() const { return m_root / "run"; }

    // Keeps everything the program writes on standard output and error.
    struct Run {
        std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
        QByteArray output;

        // Reads until `text` has appeared; false when the program ended or
        // `milliseconds` passed first.
        bool waitFor(QByteArrayView text, int milliseconds) {
            QDeadlineTimer deadline(milliseconds);
            while (!output.contains(text)) {
                const bool more = process->waitForReadyRead(
                    static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0)));
                output += process->readAll();
                if (!more || deadline.hasExpired()) {
                    return output.contains(text);
                }
            }
            return true;
        }
        // True when the program ended on its own with status 0 in time.
        bool finishesCleanly(int milliseconds) {
            const bool finished = process->waitForFinished(milliseconds);
            output += process->readAll();
            return finished && process->exitStatus() == QProcess::NormalExit &&
                   process->exitCode() == 0;
        }
        ~Run() {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished();
            }
        }
    };

    // `environment` changes the variables above; a null value removes one.
    std::unique_ptr<Run> start(const QStringList& arguments,
                               const std::vector<std::pair<QString, QString>>& environment = {},
                               const QString& program = TIDEMARK_BINARY) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                                 "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"}) {
            env.remove(name);
        }
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtimeDirectory().string()));
        env.insert("HOME", QString::fromStdString((m_root / "home").string()));
        env.insert("TIDEMARK_TRACE", "1");
        env.insert("ASAN_OPTIONS", "detect_leaks=0");
        for (const auto& [name, value] : environment) {
            if (value.isNull()) {
                env.remove(name);
            } else {
                env.insert(name, value);
            }
        }
        auto run = std::make_unique<Run>();
        run->process->setProcessEnvironment(env);
        run->process->setProcessChannelMode(QProcess::MergedChannels);
        run->process->start(program, arguments);
        return run;
    }

private:
    std::filesystem::path m_root;
};

}  // namespace tidemark::test
