#pragma once

#include <QObject>

#include <functional>
#include <unordered_map>

#include "core/Clock.h"
#include "core/PressureEvents.h"

class QSocketNotifier;
class QTimer;

namespace tidemark {

// Deferred work on the Qt event loop of the thread that owns the scheduler.
// Timers are precise (no coalescing) so that a 60 s interval stays 60 s,
// unless asked for as coarse. Descriptors are watched on the same loop.
class QtScheduler final : public QObject, public Scheduler, public DescriptorWatcher {
    Q_OBJECT

public:
    explicit QtScheduler(QObject* parent = nullptr);
    ~QtScheduler() override;

    TimerId scheduleAfter(double seconds, std::function<void()> action) override;
    TimerId scheduleCoarse(double seconds, std::function<void()> action) override;
    void cancel(TimerId id) override;

    void watchExceptional(int fd, std::function<void()> onReady) override;
    void unwatch(int fd) override;

    std::size_t pendingCount() const { return m_timers.size(); }

private:
    TimerId schedule(double seconds, Qt::TimerType type, std::function<void()> action);

    TimerId m_nextId = 0;
    std::unordered_map<TimerId, QTimer*> m_timers;
    std::unordered_map<int, QSocketNotifier*> m_notifiers;
};

}  // namespace tidemark
