#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace tidemark::test {

// A forked copy of the test running `body`, which gets the write end of a
// pipe back to the test and ends by exec or exit (returning exits with 127).
// Killed and reaped however the test ends.
class ChildProcess {
public:
    explicit ChildProcess(const std::function<void(int pipeFd)>& body) {
        int fds[2];
        // No pipe2 on macOS; the test starts no other program meanwhile.
        if (::pipe(fds) != 0) {
            return;
        }
        ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
        ::fcntl(fds[1], F_SETFD, FD_CLOEXEC);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(fds[0]);
            body(fds[1]);
            ::_exit(127);
        }
        ::close(fds[1]);
        m_pipeFd = fds[0];
    }
    ~ChildProcess() {
        kill();
        wait();
        if (m_pipeFd >= 0) {
            ::close(m_pipeFd);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return m_pid; }  // -1 when it could not be started
    int pipeFd() const { return m_pipeFd; }

    // What comes through the pipe until the child's end of it is closed.
    std::string readAll() const {
        std::string text;
        char buffer[4096];
        for (ssize_t got; (got = ::read(m_pipeFd, buffer, sizeof buffer)) > 0;) {
            text.append(buffer, static_cast<size_t>(got));
        }
        return text;
    }

    void kill() const {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
        }
    }

    // The exit status, or 128 and the signal that ended the child; -1 when
    // there is none to wait for.
    int wait() {
        int status = 0;
        if (m_pid <= 0 || ::waitpid(m_pid, &status, 0) != m_pid) {
            return -1;
        }
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t m_pid = -1;
    int m_pipeFd = -1;
};

}  // namespace tidemark::test
