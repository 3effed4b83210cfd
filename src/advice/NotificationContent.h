#pragma once

#include <optional>
#include <string>

#include "advice/AdvicePlan.h"
#include "core/RiskAssessment.h"

namespace tidemark {

// What one alert notification says. The identifier is one of four fixed
// values, so a newer notification of the same kind replaces the older one.
struct NotificationContent {
    std::string identifier;
    std::string title;
    std::string body;

    bool operator==(const NotificationContent&) const = default;
};

// The plan's summary, when there is one, replaces the standard body; a
// preview says so in both title and body. Texts are plain, never markup.
NotificationContent notificationContent(AlertEvent event, bool isSimulation,
                                        const std::optional<AdvicePlan>& advice);

}  // namespace tidemark
