#include "core/PressureWatch.h"

#include <algorithm>

namespace tidemark {

PressureWatch::PressureWatch(SampleSource& source, Scheduler& scheduler, PressureEvents* events,
                             double tickSeconds)
    : m_source(source), m_scheduler(scheduler), m_events(events), m_tickSeconds(tickSeconds) {}

PressureWatch::~PressureWatch() {
    stop();
}

void PressureWatch::start(EarlyTick onEarlyTick) {
    stop();
    m_onEarlyTick = std::move(onEarlyTick);
    m_running = true;
    m_eventsActive = m_events != nullptr && m_events->start([this] { look(); });
    scheduleLook(WatchCadence::kSteadySeconds);
}

void PressureWatch::stop() {
    if (m_nextLook) {
        m_scheduler.cancel(*m_nextLook);
        m_nextLook.reset();
    }
    if (m_eventsActive) {
        m_events->stop();
        m_eventsActive = false;
    }
    m_running = false;
}

void PressureWatch::tickTaken(const LightweightSample& sample, bool early) {
    m_policy.recordTick(sample.pressure, sample.capturedAt, early);
    m_lastTickAt = sample.capturedAt;
    const double next = m_cadence.noteLook(sample);
    if (m_running) {
        scheduleLook(next);
    }
}

void PressureWatch::look() {
    if (!m_running) {
        return;
    }
    ++m_lookCount;
    const LightweightSample sample = m_source.lightweightSample();
    double next = m_cadence.noteLook(sample);
    const EarlyTickPolicy::Decision decision = m_policy.decide(sample.pressure, sample.capturedAt);
    if (decision.tickNow) {
        // The tick reports back through tickTaken(), which plans the next look.
        scheduleLook(next);
        m_onEarlyTick(sample);
        return;
    }
    if (decision.retryAfterSeconds) {
        next = std::min(next, *decision.retryAfterSeconds);
    }
    scheduleLook(clearOfTheTick(next, sample.capturedAt));
}

// Coarse timers drift by a few percent, so a look due together with the
// regular tick would often run just before it: two reads where one does.
// Such a look moves one interval past the tick, which reschedules it anyway.
double PressureWatch::clearOfTheTick(double seconds, Timestamp now) const {
    if (!m_lastTickAt) {
        return seconds;
    }
    const double sinceTick = now - *m_lastTickAt;
    const double tickDueIn = m_tickSeconds - sinceTick;
    constexpr double kSlackSeconds = 1;
    // A clock set back or a tick long overdue: no phase to keep clear of.
    if (sinceTick < 0 || tickDueIn <= 0 || seconds < tickDueIn - kSlackSeconds) {
        return seconds;
    }
    return tickDueIn + seconds;
}

void PressureWatch::scheduleLook(double seconds) {
    if (m_nextLook) {
        m_scheduler.cancel(*m_nextLook);
    }
    // Coarse: a few percent of slack lets the system batch the wake-up with
    // others, which is what an idle laptop wants from a 10 s timer.
    m_nextLook = m_scheduler.scheduleCoarse(seconds, [this] {
        m_nextLook.reset();
        look();
    });
}

}  // namespace tidemark
