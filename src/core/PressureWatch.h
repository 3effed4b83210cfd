#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "core/Clock.h"
#include "core/EarlyTickPolicy.h"
#include "core/Models.h"
#include "core/PressureEvents.h"
#include "core/SampleSource.h"
#include "core/WatchCadence.h"

namespace tidemark {

// Looks at the system-wide figures between the minute ticks, woken by the
// kernel's pressure events and by its own timer (WatchCadence), and asks for
// the monitoring tick at once when a look finds the pressure risen
// (EarlyTickPolicy). A look is one lightweight sample: no process is read.
// Single-threaded; the scheduler, the source and the events outlive it.
class PressureWatch {
public:
    using EarlyTick = std::function<void(const LightweightSample& sample)>;

    // `events` may be null: the timer alone then covers stalls too.
    // `tickSeconds` is the regular tick's period: a look that would fall on
    // a tick is left to the tick.
    PressureWatch(SampleSource& source, Scheduler& scheduler, PressureEvents* events,
                  double tickSeconds);
    ~PressureWatch();
    PressureWatch(const PressureWatch&) = delete;
    PressureWatch& operator=(const PressureWatch&) = delete;

    // `onEarlyTick` runs the monitoring tick with the look's sample; that
    // tick reports back through tickTaken().
    void start(EarlyTick onEarlyTick);
    void stop();

    // Every monitoring tick, regular or early, reports its sample here. A
    // tick counts as a look: the next look is due a full interval later.
    void tickTaken(const LightweightSample& sample, bool early);

    // Whether the kernel accepted the pressure trigger at start().
    bool hasPressureEvents() const { return m_eventsActive; }
    std::uint64_t lookCount() const { return m_lookCount; }
    const WatchCadence& cadence() const { return m_cadence; }
    const EarlyTickPolicy& policy() const { return m_policy; }

private:
    void look();
    double clearOfTheTick(double seconds, Timestamp now) const;
    void scheduleLook(double seconds);

    SampleSource& m_source;
    Scheduler& m_scheduler;
    PressureEvents* m_events;
    double m_tickSeconds;
    std::optional<Timestamp> m_lastTickAt;
    EarlyTick m_onEarlyTick;
    WatchCadence m_cadence;
    EarlyTickPolicy m_policy;
    std::optional<TimerId> m_nextLook;
    bool m_running = false;
    bool m_eventsActive = false;
    std::uint64_t m_lookCount = 0;
};

}  // namespace tidemark
