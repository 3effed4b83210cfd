#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace tidemark {

// Turns SIGTERM, SIGINT and SIGHUP (the end of the session, a service
// manager stopping the program, Ctrl-C) into an ordinary event on the main
// thread, so that they end the program through the same path as quitting.
// The handler only writes the signal number into a pipe; whatever runs when
// the signal arrives, a file save included, finishes first. One instance at
// a time; the previous dispositions come back when it is destroyed. Open
// dialogs are dismissed before shutdownRequested is emitted. A hang-up that
// was ignored at start (nohup) stays ignored.
class SignalShutdown final : public QObject {
    Q_OBJECT

public:
    explicit SignalShutdown(QObject* parent = nullptr);
    ~SignalShutdown() override;

    bool isActive() const { return m_notifier != nullptr; }

    // Answers every open dialog the way its cancel button would: a dialog
    // runs an event loop of its own that would otherwise hold the program
    // until someone answers it, and a cancelled question stores nothing.
    static void dismissDialogs();

signals:
    void shutdownRequested(int signalNumber);

private:
    void readSignals();

    int m_readFd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace tidemark
