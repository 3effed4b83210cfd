#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "advice/AdvicePlan.h"
#include "core/Models.h"
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

// What the notice after a kill says: which application `killer` ("kernel",
// "earlyoom", "systemd-oomd", "nohang") ended, worded as likely unless
// `certain`. Its identifier is its own, so it never replaces an alert.
NotificationContent killNotificationContent(std::string_view killer, bool certain,
                                            const std::optional<AppMemory>& application);
// The history window's line for the same kill.
std::string killHistoryLine(std::string_view killer, bool certain,
                            const std::optional<AppMemory>& application);

}  // namespace tidemark
