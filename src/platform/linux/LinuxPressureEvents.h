#pragma once

#include <string>

#include "core/PressureEvents.h"

namespace tidemark {

// A PSI trigger on /proc/pressure/memory: the kernel flags the descriptor
// (POLLPRI) when tasks stalled on memory for longer than the threshold
// within one window, at most once per window.
class LinuxPressureEvents final : public PressureEvents {
public:
    // "some": any task stalled; 150 ms of a 2 s window is 7.5 %, below the
    // level's first stall line (risk::kWarningSomeStall, checked where the
    // trigger is written), so the look comes before the averages cross it.
    // The window must be a multiple of 2 s for an unprivileged trigger.
    static constexpr const char* kTrigger = "some 150000 2000000";

    explicit LinuxPressureEvents(DescriptorWatcher& watcher,
                                 std::string path = "/proc/pressure/memory");
    ~LinuxPressureEvents() override;
    LinuxPressureEvents(const LinuxPressureEvents&) = delete;
    LinuxPressureEvents& operator=(const LinuxPressureEvents&) = delete;

    bool start(std::function<void()> onEvent) override;
    void stop() override;

    // errno of the refused open or write; 0 while listening or never started.
    int refusal() const { return m_refusal; }

private:
    DescriptorWatcher& m_watcher;
    const std::string m_path;
    int m_fd = -1;
    int m_refusal = 0;
};

}  // namespace tidemark
