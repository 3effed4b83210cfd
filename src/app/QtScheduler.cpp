#include "app/QtScheduler.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tidemark {

QtScheduler::QtScheduler(QObject* parent) : QObject(parent) {}

// The timers and notifiers are children and go with the scheduler.
QtScheduler::~QtScheduler() = default;

TimerId QtScheduler::scheduleAfter(double seconds, std::function<void()> action) {
    return schedule(seconds, Qt::PreciseTimer, std::move(action));
}

TimerId QtScheduler::scheduleCoarse(double seconds, std::function<void()> action) {
    return schedule(seconds, Qt::CoarseTimer, std::move(action));
}

TimerId QtScheduler::schedule(double seconds, Qt::TimerType type, std::function<void()> action) {
    const TimerId id = ++m_nextId;
    // QTimer takes whole milliseconds in an int; anything beyond that range
    // (infinity included) is clamped rather than wrapped into the past.
    double milliseconds = std::isnan(seconds) ? 0.0 : std::ceil(seconds * 1000.0);
    milliseconds = std::clamp(milliseconds, 0.0, double(std::numeric_limits<int>::max()));

    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setTimerType(type);
    connect(timer, &QTimer::timeout, this, [this, id, action = std::move(action)]() mutable {
        auto it = m_timers.find(id);
        if (it == m_timers.end()) {
            return;
        }
        it->second->deleteLater();
        m_timers.erase(it);
        // The action may schedule or cancel other work, or even this id.
        auto run = std::move(action);
        run();
    });
    m_timers.emplace(id, timer);
    timer->start(int(milliseconds));
    return id;
}

void QtScheduler::cancel(TimerId id) {
    auto it = m_timers.find(id);
    if (it == m_timers.end()) {
        return;
    }
    it->second->stop();
    it->second->deleteLater();
    m_timers.erase(it);
}

void QtScheduler::watchExceptional(int fd, std::function<void()> onReady) {
    unwatch(fd);
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Exception, this);
    connect(notifier, &QSocketNotifier::activated, this,
            [onReady = std::move(onReady)] { onReady(); });
    m_notifiers.emplace(fd, notifier);
}

void QtScheduler::unwatch(int fd) {
    auto it = m_notifiers.find(fd);
    if (it == m_notifiers.end()) {
        return;
    }
    it->second->setEnabled(false);
    it->second->deleteLater();
    m_notifiers.erase(it);
}

}  // namespace tidemark
