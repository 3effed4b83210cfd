#pragma once

#include <optional>

#include "core/Models.h"
#include "core/RiskAssessment.h"

namespace tidemark {

// Decides whether an assessment deserves a notification: one warning per
// episode, an immediate escalation to critical, critical reminders at most
// every 30 minutes, and an episode ends only after two calm ticks in a row.
// Timestamps are sample times.
struct AlertPolicy {
    std::optional<AlertEvent> notifiedLevel;  // highest sent in the current episode
    std::optional<Timestamp> lastNotificationAt;
    std::optional<Timestamp> lastCriticalNotificationAt;
    int recoverySampleCount = 0;  // consecutive calm assessments

    std::optional<AlertEvent> evaluate(const RiskAssessment& assessment, Timestamp now);
};

}  // namespace tidemark
