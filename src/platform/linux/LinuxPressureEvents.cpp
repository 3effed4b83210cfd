#include "platform/linux/LinuxPressureEvents.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "core/RiskPolicy.h"

namespace tidemark {

namespace {

// The share of the window (in percent) the trigger's stall stands for, read
// from its text: "some <stall µs> <window µs>".
constexpr double triggerStallPercent(std::string_view trigger) {
    std::size_t at = trigger.find(' ');
    const auto number = [&] {
        double value = 0;
        for (++at; at < trigger.size() && trigger[at] >= '0' && trigger[at] <= '9'; ++at) {
            value = value * 10 + (trigger[at] - '0');
        }
        return value;
    };
    const double stall = number();
    return 100 * stall / number();
}

static_assert(triggerStallPercent(LinuxPressureEvents::kTrigger) < risk::kWarningSomeStall,
              "the trigger must wake the watch before the averages reach the first stall line");

}  // namespace

LinuxPressureEvents::LinuxPressureEvents(DescriptorWatcher& watcher, std::string path)
    : m_watcher(watcher), m_path(std::move(path)) {}

LinuxPressureEvents::~LinuxPressureEvents() {
    stop();
}

bool LinuxPressureEvents::start(std::function<void()> onEvent) {
    stop();
    const int fd = ::open(m_path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        m_refusal = errno;
        return false;
    }
    // Kernels before 6.4 (Debian 12's 6.1) refuse unprivileged triggers with
    // EPERM; the NUL is part of what the kernel expects to parse.
    const std::size_t length = std::strlen(kTrigger) + 1;
    ssize_t written;
    do {
        written = ::write(fd, kTrigger, length);
    } while (written < 0 && errno == EINTR);
    if (written != static_cast<ssize_t>(length)) {
        m_refusal = written < 0 ? errno : EIO;
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_refusal = 0;
    m_watcher.watchExceptional(fd, std::move(onEvent));
    return true;
}

void LinuxPressureEvents::stop() {
    if (m_fd < 0) {
        return;
    }
    m_watcher.unwatch(m_fd);
    ::close(m_fd);
    m_fd = -1;
}

std::unique_ptr<PressureEvents> makePressureEvents(DescriptorWatcher& watcher) {
    return std::make_unique<LinuxPressureEvents>(watcher);
}

}  // namespace tidemark
