#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "advice/AdviceFollowUp.h"
#include "advice/AdvicePlan.h"
#include "core/AlertPolicy.h"
#include "core/Models.h"
#include "core/RiskAssessment.h"
#include "core/RiskModel.h"
#include "core/RiskPresentationPolicy.h"
#include "core/SampleSource.h"

namespace tidemark {

class IncidentStore;

// What one tick decided; the replay diagnostic prints it, tests inspect it.
struct TickReport {
    LightweightSample sample;
    RiskAssessment assessment;
    std::optional<AlertEvent> alert;
    bool captured = false;                // a full snapshot was taken
    std::vector<AdvicePlan> advicePlans;  // for this tick's alert; empty without one
    RiskLevel previousDisplayedLevel = RiskLevel::safe;
    RiskLevel displayedLevel = RiskLevel::safe;
    bool recovered = false;  // this tick recorded the end of an episode
};

// The monitoring state and the one place where a sampling tick happens. The
// tray application calls tick() every 60 s and `--replay` once per recorded
// sample; everything visual or platform-bound hangs off the hooks.
class MonitoringEngine {
public:
    static constexpr std::size_t kCaptureLimit = 5;

    MonitoringEngine(SampleSource& source, IncidentStore& incidents);

    TickReport tick();
    // The same tick on a sample already taken (an early tick runs on the
    // look that found the pressure risen).
    TickReport tick(const LightweightSample& sample);

    // Replaces the ranking from a full capture; the ranking and its
    // availability always change together.
    void refreshTopApplications();

    // The user confirmed having acted on the advice.
    void confirmAdvice(Timestamp now);

    // Plans for the advice window or a preview, from the current ranking.
    std::vector<AdvicePlan> plansFor(RiskLevel level,
                                     std::optional<std::int64_t> swapGrowthFiveMinutesBytes) const;

    // Asked to post a notification; the tick does not wait for it. Raised
    // before the tick writes the history, so that the request is on its way
    // first.
    std::function<void(AlertEvent event, const std::optional<AdvicePlan>& advice)> onAlert;
    // After every tick's follow-up step, while an advice window exists.
    std::function<void(const std::string& message, bool canConfirm)> onFollowUpUpdate;
    // On every tick whose displayed level is safe.
    std::function<void()> onDisplayedSafe;

    // What the ticks so far made of the machine; only the tick and the
    // operations above change it.
    const RiskModel& riskModel() const { return m_riskModel; }
    const RiskPresentationPolicy& presentationPolicy() const { return m_presentationPolicy; }
    const AdviceFollowUp& adviceFollowUp() const { return m_adviceFollowUp; }
    const std::optional<LightweightSample>& latestSample() const { return m_latestSample; }
    const std::vector<AppMemory>& topApplications() const { return m_topApplications; }
    bool applicationRankingAvailable() const { return m_applicationRankingAvailable; }

private:
    SampleSource& m_source;
    IncidentStore& m_incidents;
    RiskModel m_riskModel;
    AlertPolicy m_alertPolicy;
    RiskPresentationPolicy m_presentationPolicy;
    AdviceFollowUp m_adviceFollowUp;
    std::optional<LightweightSample> m_latestSample;
    std::vector<AppMemory> m_topApplications;
    bool m_applicationRankingAvailable = true;
};

}  // namespace tidemark
