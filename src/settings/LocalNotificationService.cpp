#include "settings/LocalNotificationService.h"

#include <string>
#include <utility>

#include "advice/NotificationContent.h"

namespace tidemark {

namespace {

bool allowsPosting(AuthorizationStatus status) {
    return status == AuthorizationStatus::authorized || status == AuthorizationStatus::provisional;
}

}  // namespace

LocalNotificationService::LocalNotificationService(NotificationClient& client, bool isAvailable,
                                                   PreferenceStore& preferences)
    : m_client(client), m_preferences(preferences), m_isAvailable(isAvailable) {}

bool LocalNotificationService::notifyStateChange() {
    const Token alive = token();
    if (onStateChange) {
        // A copy, because the callback may replace onStateChange.
        auto callback = onStateChange;
        callback();
    }
    return !alive.expired();
}

void LocalNotificationService::refreshAuthorizationState(std::function<void()> done) {
    if (!m_isAvailable) {
        m_isEnabled = false;
        if (notifyStateChange() && done)
            done();
        return;
    }
    m_client.authorizationStatus(
        [this, alive = token(), done = std::move(done)](AuthorizationStatus status) {
            if (alive.expired())
                return;
            m_authorizationStatus = status;
            const bool muted = m_preferences.boolValue(std::string(mutedKey)).value_or(false);
            m_isEnabled = !muted && allowsPosting(status);
            if (notifyStateChange() && done)
                done();
        });
}

void LocalNotificationService::setRemindersEnabled(bool enabled, std::function<void()> done) {
    if (!m_isAvailable || m_changingPreference) {
        if (done)
            done();
        return;
    }
    if (!enabled) {
        // The desktop's permission stays as it is; only the user's switch moves.
        m_preferences.setBool(std::string(mutedKey), true);
        m_isEnabled = false;
        if (notifyStateChange() && done)
            done();
        return;
    }

    m_changingPreference = true;
    m_preferences.setBool(std::string(mutedKey), false);
    m_client.authorizationStatus([this, alive = token(),
                                  done = std::move(done)](AuthorizationStatus status) {
        if (alive.expired())
            return;
        m_authorizationStatus = status;
        if (status != AuthorizationStatus::notDetermined) {
            finishEnabling(done);
            return;
        }
        m_client.requestAuthorization([this, alive, done](bool, std::optional<std::string> error) {
            if (alive.expired())
                return;
            if (!error) {
                // Granted or not, the refresh reads the outcome.
                finishEnabling(done);
                return;
            }
            m_isEnabled = false;
            if (!notifyStateChange())
                return;
            m_changingPreference = false;
            if (done)
                done();
        });
    });
}

void LocalNotificationService::finishEnabling(std::function<void()> done) {
    refreshAuthorizationState([this, done = std::move(done)] {
        m_changingPreference = false;
        if (done)
            done();
    });
}

void LocalNotificationService::send(AlertEvent event, bool isSimulation,
                                    std::optional<AdvicePlan> advice, std::function<void()> done) {
    if (!m_isEnabled || !m_isAvailable) {
        if (done)
            done();
        return;
    }
    // Permission may have been withdrawn in the desktop's settings since the
    // last look; the refresh notices it before anything is posted.
    refreshAuthorizationState([this, alive = token(), event, isSimulation,
                               advice = std::move(advice), done = std::move(done)] {
        if (!m_isEnabled) {
            if (done)
                done();
            return;
        }
        const NotificationContent content = notificationContent(event, isSimulation, advice);
        m_client.add(NotificationRequest{content.identifier, content.title, content.body, event},
                     [alive, done](std::optional<std::string>) {
                         if (alive.expired())
                             return;
                         if (done)
                             done();
                     });
    });
}

void LocalNotificationService::sendContent(const NotificationContent& content,
                                           std::function<void()> done) {
    if (!m_isEnabled || !m_isAvailable) {
        if (done)
            done();
        return;
    }
    refreshAuthorizationState([this, alive = token(), content, done = std::move(done)] {
        if (!m_isEnabled) {
            if (done)
                done();
            return;
        }
        m_client.add(NotificationRequest{content.identifier, content.title, content.body,
                                         AlertEvent::critical},
                     [alive, done](std::optional<std::string>) {
                         if (alive.expired())
                             return;
                         if (done)
                             done();
                     });
    });
}

}  // namespace tidemark
