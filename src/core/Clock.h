#pragma once

#include <cstdint>
#include <functional>

#include "core/Models.h"

namespace tidemark {

// Wall-clock time. Injected everywhere a decision depends on "now", so that
// tests can move time without sleeping.
class Clock {
public:
    virtual ~Clock() = default;
    virtual Timestamp now() const = 0;
    // Seconds from an arbitrary origin that never jumps, for intervals that
    // must survive the wall clock being set (a debounce, a guard).
    virtual double monotonicSeconds() const = 0;
};

class SystemClock final : public Clock {
public:
    Timestamp now() const override;
    double monotonicSeconds() const override;
};

using TimerId = std::uint64_t;

// One-shot deferred work on the thread that owns the scheduler (the main
// thread in the application). A repeating timer re-arms itself.
class Scheduler {
public:
    virtual ~Scheduler() = default;
    // Runs `action` once after `seconds` (0 = on a later turn of the loop).
    // Returns an id that stays valid for cancel() even after it has run.
    virtual TimerId scheduleAfter(double seconds, std::function<void()> action) = 0;
    // The same, for work that may come a few percent late, so that the
    // system can batch the wake-up with others.
    virtual TimerId scheduleCoarse(double seconds, std::function<void()> action) {
        return scheduleAfter(seconds, std::move(action));
    }
    // Cancelling an unknown, fired or already cancelled id is harmless.
    virtual void cancel(TimerId id) = 0;
};

}  // namespace tidemark
