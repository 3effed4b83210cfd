#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "advice/AdvicePlan.h"
#include "advice/NotificationContent.h"
#include "core/RiskAssessment.h"
#include "settings/NotificationClient.h"
#include "settings/PreferenceStore.h"

namespace tidemark {

// Decides whether alerts become desktop notifications: the user's own switch
// (kept across restarts) and the desktop's permission must both allow it.
//
// Operations wait for the client without blocking; their `done` runs once the
// operation has finished (possibly before the call returns). Completions that
// arrive after the service is destroyed are ignored, and `done` is then not
// called.
class LocalNotificationService {
public:
    static constexpr std::string_view mutedKey = "notificationsMuted";

    LocalNotificationService(NotificationClient& client, bool isAvailable,
                             PreferenceStore& preferences);
    LocalNotificationService(const LocalNotificationService&) = delete;
    LocalNotificationService& operator=(const LocalNotificationService&) = delete;

    void refreshAuthorizationState(std::function<void()> done = {});
    // While switching on is in progress, further calls (either way) are ignored.
    void setRemindersEnabled(bool enabled, std::function<void()> done = {});
    // Fire and forget: a failed post is dropped.
    void send(AlertEvent event, bool isSimulation, std::optional<AdvicePlan> advice,
              std::function<void()> done = {});

    // The notice after a kill, under the same switch and permission.
    void sendContent(const NotificationContent& content, std::function<void()> done = {});

    bool isEnabled() const { return m_isEnabled; }
    bool isAvailable() const { return m_isAvailable; }
    AuthorizationStatus authorizationStatus() const { return m_authorizationStatus; }

    // Called after every recomputation of isEnabled.
    std::function<void()> onStateChange;

private:
    using Token = std::weak_ptr<const bool>;

    Token token() const { return m_lifetime; }
    // False when a callback destroyed the service.
    [[nodiscard]] bool notifyStateChange();
    void finishEnabling(std::function<void()> done);

    NotificationClient& m_client;
    PreferenceStore& m_preferences;
    const bool m_isAvailable;
    AuthorizationStatus m_authorizationStatus = AuthorizationStatus::notDetermined;
    bool m_changingPreference = false;
    bool m_isEnabled = false;
    std::shared_ptr<const bool> m_lifetime = std::make_shared<const bool>(true);
};

}  // namespace tidemark
