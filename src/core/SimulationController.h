#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "core/Clock.h"
#include "core/DebugPreviewConfiguration.h"
#include "core/RiskAssessment.h"

namespace tidemark {

// Holds at most one simulated assessment and ends it by itself after a set
// duration. Single-threaded: everything, the expiry included, runs on the
// thread that owns the scheduler, which must outlive the controller.
class SimulationController {
public:
    explicit SimulationController(Scheduler& scheduler);
    ~SimulationController();
    SimulationController(const SimulationController&) = delete;
    SimulationController& operator=(const SimulationController&) = delete;

    // Begins a preview, silently replacing a running one. The duration is
    // clamped to 0..86,400 seconds; a non-finite value counts as 0.
    TimerId start(const RiskAssessment& assessment, double durationSeconds);
    // Ends the running preview, if any; calls onStateChange when notify is set,
    // even when nothing was running.
    void cancel(bool notify);

    // Present exactly while a preview runs.
    const std::optional<RiskAssessment>& assessment() const { return m_assessment; }
    // True after a preview ended, until the next one starts.
    bool hasEndedPreview() const { return m_hasEndedPreview; }

    std::function<void()> onStateChange;

private:
    void expire(std::uint64_t token);
    void notifyStateChange();

    Scheduler& m_scheduler;
    std::optional<TimerId> m_expiration;
    std::optional<std::uint64_t> m_token;
    std::uint64_t m_lastToken = 0;
    std::optional<RiskAssessment> m_assessment;
    bool m_hasEndedPreview = false;
    // Expiry callbacks hold this weakly so that they never reach a destroyed
    // controller, whatever the scheduler does with a cancelled timer.
    std::shared_ptr<SimulationController*> m_self;
};

}  // namespace tidemark
