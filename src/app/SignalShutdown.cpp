#include "app/SignalShutdown.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

#include <QApplication>
#include <QDialog>

#include "engine/Trace.h"

namespace tidemark {

namespace {

constexpr std::array kSignals = {SIGTERM, SIGINT, SIGHUP};

volatile std::sig_atomic_t g_writeFd = -1;
std::array<struct sigaction, kSignals.size()> g_previous{};

// macOS has no pipe2. Setting the flags afterwards leaves a moment in which a
// program started by another thread could inherit the ends, which is
// harmless: nothing here waits for the pipe's end of file.
bool openNonBlockingPipe(int fds[2]) {
    if (::pipe(fds) != 0) {
        return false;
    }
    for (int i = 0; i < 2; ++i) {
        if (::fcntl(fds[i], F_SETFD, FD_CLOEXEC) != 0 ||
            ::fcntl(fds[i], F_SETFL, ::fcntl(fds[i], F_GETFL) | O_NONBLOCK) != 0) {
            ::close(fds[0]);
            ::close(fds[1]);
            return false;
        }
    }
    return true;
}

extern "C" void onSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a pending request; losing this one is fine.
    [[maybe_unused]] const ssize_t written = ::write(g_writeFd, &byte, 1);
    errno = savedErrno;
}

}  // namespace

SignalShutdown::SignalShutdown(QObject* parent) : QObject(parent) {
    int fds[2];
    if (g_writeFd >= 0 || !openNonBlockingPipe(fds)) {
        return;
    }
    m_readFd = fds[0];
    g_writeFd = fds[1];
    m_notifier = std::make_unique<QSocketNotifier>(m_readFd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &SignalShutdown::readSignals);

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], nullptr, &g_previous[i]);
        // `nohup` ignores the hang-up so that the program outlives its
        // terminal; that choice is the caller's to make.
        if (kSignals[i] == SIGHUP && g_previous[i].sa_handler == SIG_IGN) {
            continue;
        }
        ::sigaction(kSignals[i], &action, nullptr);
    }
}

SignalShutdown::~SignalShutdown() {
    if (!m_notifier) {
        return;
    }
    for (size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    }
    m_notifier.reset();
    ::close(g_writeFd);
    g_writeFd = -1;
    ::close(m_readFd);
}

void SignalShutdown::dismissDialogs() {
    // Children first: a notice that belongs to a window goes before it.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        for (QDialog* dialog : window->findChildren<QDialog*>()) {
            if (dialog->isVisible()) {
                dialog->reject();
            }
        }
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(window); dialog && dialog->isVisible()) {
            dialog->reject();
        }
    }
}

void SignalShutdown::readSignals() {
    unsigned char byte = 0;
    int last = 0;
    while (::read(m_readFd, &byte, 1) == 1) {
        last = byte;
    }
    if (last != 0) {
        trace("shutting down on a signal");
        dismissDialogs();
        emit shutdownRequested(last);
    }
}

}  // namespace tidemark
