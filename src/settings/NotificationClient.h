#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/RiskAssessment.h"

namespace tidemark {

// The platform's published values; the service compares against them by value.
enum class AuthorizationStatus {
    notDetermined = 0,
    denied = 1,
    authorized = 2,
    provisional = 3,
    ephemeral = 4
};

struct NotificationRequest {
    std::string identifier;
    std::string title;
    std::string body;
    AlertEvent event = AlertEvent::warning;  // lets a client pick an urgency
};

// The desktop's notification facility. Every operation is asynchronous: the
// completion runs later on the main thread (or at once), never on another
// thread, and is dropped if the client is destroyed first.
class NotificationClient {
public:
    virtual ~NotificationClient() = default;

    virtual void authorizationStatus(std::function<void(AuthorizationStatus)> done) = 0;
    virtual void requestAuthorization(
        std::function<void(bool granted, std::optional<std::string> error)> done) = 0;
    virtual void add(const NotificationRequest& request,
                     std::function<void(std::optional<std::string> error)> done) = 0;
};

}  // namespace tidemark
