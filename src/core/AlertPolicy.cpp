#include "core/AlertPolicy.h"

#include "core/RiskPolicy.h"

namespace tidemark {

using risk::kAlertCooldownSeconds;
using risk::kCalmScore;
using risk::kCalmTicksToEndEpisode;

namespace {

// A time earlier than the stored one (clock set back) counts as recent, so a
// clock change cannot release a burst of notifications.
bool withinCooldown(const std::optional<Timestamp>& last, Timestamp now) {
    return last && now - *last < kAlertCooldownSeconds;
}

}  // namespace

std::optional<AlertEvent> AlertPolicy::evaluate(const RiskAssessment& assessment, Timestamp now) {
    if (assessment.score <= kCalmScore) {
        if (++recoverySampleCount >= kCalmTicksToEndEpisode) {
            notifiedLevel.reset();
        }
        return std::nullopt;
    }
    recoverySampleCount = 0;

    switch (assessment.level) {
        case RiskLevel::critical: {
            const bool escalation = notifiedLevel == AlertEvent::warning;
            if (!escalation && withinCooldown(lastCriticalNotificationAt, now)) {
                return std::nullopt;
            }
            notifiedLevel = AlertEvent::critical;
            lastNotificationAt = now;
            lastCriticalNotificationAt = now;
            return AlertEvent::critical;
        }
        case RiskLevel::warning:
            if (notifiedLevel || withinCooldown(lastNotificationAt, now)) {
                return std::nullopt;
            }
            notifiedLevel = AlertEvent::warning;
            lastNotificationAt = now;
            return AlertEvent::warning;
        case RiskLevel::safe:
        case RiskLevel::watch:
            break;
    }
    return std::nullopt;
}

}  // namespace tidemark
