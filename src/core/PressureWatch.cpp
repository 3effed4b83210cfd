#include "core/PressureWatch.h"

#include <algorithm>

namespace tidemark {

PressureWatch::PressureWatch(SampleSource& source, Scheduler& scheduler, PressureEvents* events)
    : m_source(source), m_scheduler(scheduler), m_events(events) {}

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
    scheduleLook(next);
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
