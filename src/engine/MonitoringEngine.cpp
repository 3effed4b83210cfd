#include "engine/MonitoringEngine.h"

#include "advice/AdviceEngine.h"
#include "history/IncidentStore.h"

namespace tidemark {

MonitoringEngine::MonitoringEngine(SampleSource& source, IncidentStore& incidents)
    : m_source(source), m_incidents(incidents) {}

TickReport MonitoringEngine::tick() {
    return tick(m_source.lightweightSample());
}

TickReport MonitoringEngine::tick(const LightweightSample& lookedAt) {
    TickReport report;
    report.sample = lookedAt;
    const LightweightSample& sample = report.sample;
    latestSample = sample;

    report.assessment = riskModel.evaluate(sample);
    const RiskAssessment& assessment = report.assessment;
    latestAssessment = assessment;

    report.alert = alertPolicy.evaluate(assessment, sample.capturedAt);

    // The process list is read only when an incident or a notification needs
    // fresh applications; otherwise the previous ranking stands.
    if (report.alert || m_incidents.needsAlertSnapshot(assessment.level)) {
        refreshTopApplications();
        report.captured = true;
    }

    // After the capture, so that the capture measured growth against the
    // minutes before this one.
    m_source.recordGrowth(sample);

    m_incidents.recordAlert(assessment.level, topApplications, sample.capturedAt);

    if (report.alert) {
        report.advicePlans =
            AdviceEngine::plans(assessment.level, topApplications, sample.physicalMemoryBytes,
                                assessment.swapGrowthFiveMinutesBytes);
        if (onAlert) {
            onAlert(*report.alert, firstPlan(report.advicePlans));
        }
    }

    adviceFollowUp.consume(sample);
    if (onFollowUpUpdate) {
        onFollowUpUpdate(adviceFollowUp.message, !adviceFollowUp.isPending());
    }

    report.previousDisplayedLevel = presentationPolicy.displayedLevel;
    report.displayedLevel = presentationPolicy.evaluate(assessment);

    if (report.displayedLevel == RiskLevel::safe && onDisplayedSafe) {
        onDisplayedSafe();
    }
    if (report.previousDisplayedLevel != RiskLevel::safe &&
        report.displayedLevel == RiskLevel::safe) {
        m_incidents.recordRecovery(sample.capturedAt);
        report.recovered = true;
    }
    return report;
}

void MonitoringEngine::refreshTopApplications() {
    applySnapshot(m_source.capture(kCaptureLimit));
}

void MonitoringEngine::applySnapshot(const SystemSnapshot& snapshot) {
    topApplications = snapshot.topApplications;
    applicationRankingAvailable = snapshot.processListAvailable;
}

void MonitoringEngine::confirmAdvice(Timestamp now) {
    adviceFollowUp.start(latestSample, now);
}

std::vector<AdvicePlan> MonitoringEngine::plansFor(
    RiskLevel level, std::optional<std::int64_t> swapGrowthFiveMinutesBytes) const {
    const std::uint64_t physical = latestSample ? latestSample->physicalMemoryBytes : 0;
    return AdviceEngine::plans(level, topApplications, physical, swapGrowthFiveMinutesBytes);
}

}  // namespace tidemark
