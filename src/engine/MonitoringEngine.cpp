#include "engine/MonitoringEngine.h"

#include <utility>

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
    m_latestSample = sample;

    report.assessment = m_riskModel.evaluate(sample);
    const RiskAssessment& assessment = report.assessment;

    report.alert = m_alertPolicy.evaluate(assessment, sample.capturedAt);

    // The process list is read only when an incident or a notification needs
    // fresh applications; otherwise the previous ranking stands.
    if (report.alert || m_incidents.needsAlertSnapshot(assessment.level)) {
        refreshTopApplications();
        report.captured = true;
    }

    // The notification first: everything after it (the growth point, the
    // history written with an fsync) can wait while memory runs short, the
    // warning cannot.
    if (report.alert) {
        report.advicePlans =
            AdviceEngine::plans(assessment.level, m_topApplications, sample.physicalMemoryBytes,
                                assessment.swapGrowthFiveMinutesBytes);
        if (onAlert) {
            onAlert(*report.alert, firstPlan(report.advicePlans));
        }
    }

    // After the capture, so that the capture measured growth against the
    // minutes before this one.
    m_source.recordGrowth(sample);

    m_incidents.recordAlert(assessment.level, m_topApplications, sample.capturedAt);

    m_adviceFollowUp.consume(sample);
    if (onFollowUpUpdate) {
        onFollowUpUpdate(m_adviceFollowUp.message, !m_adviceFollowUp.isPending());
    }

    report.previousDisplayedLevel = m_presentationPolicy.displayedLevel;
    report.displayedLevel = m_presentationPolicy.evaluate(assessment);

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
    SystemSnapshot snapshot = m_source.capture(kCaptureLimit);
    m_topApplications = std::move(snapshot.topApplications);
    m_applicationRankingAvailable = snapshot.processListAvailable;
}

void MonitoringEngine::confirmAdvice(Timestamp now) {
    m_adviceFollowUp.start(m_latestSample, now);
}

std::vector<AdvicePlan> MonitoringEngine::plansFor(
    RiskLevel level, std::optional<std::int64_t> swapGrowthFiveMinutesBytes) const {
    const std::uint64_t physical = m_latestSample ? m_latestSample->physicalMemoryBytes : 0;
    return AdviceEngine::plans(level, m_topApplications, physical, swapGrowthFiveMinutesBytes);
}

}  // namespace tidemark
