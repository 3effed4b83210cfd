#pragma once

#include <QObject>

#include <functional>
#include <unordered_map>

#include "core/Clock.h"

class QTimer;

namespace tidemark {

// Deferred work on the Qt event loop of the thread that owns the scheduler.
// Timers are precise (no coalescing) so that a 60 s interval stays 60 s.
class QtScheduler final : public QObject, public Scheduler {
    Q_OBJECT

public:
    explicit QtScheduler(QObject* parent = nullptr);
    ~QtScheduler() override;

    TimerId scheduleAfter(double seconds, std::function<void()> action) override;
    void cancel(TimerId id) override;

    std::size_t pendingCount() const { return m_timers.size(); }

private:
    TimerId m_nextId = 0;
    std::unordered_map<TimerId, QTimer*> m_timers;
};

}  // namespace tidemark
