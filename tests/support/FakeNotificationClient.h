#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "settings/NotificationClient.h"

namespace tidemark::test {

// A notification client whose operations wait until the test answers them,
// oldest first. With `immediateStatus` set, status queries answer at once.
class FakeNotificationClient final : public NotificationClient {
public:
    struct PendingAdd {
        NotificationRequest request;
        std::function<void(std::optional<std::string>)> done;
    };

    std::optional<AuthorizationStatus> immediateStatus;
    std::deque<std::function<void(AuthorizationStatus)>> statusQueries;
    std::deque<std::function<void(bool, std::optional<std::string>)>> authorizationRequests;
    std::deque<PendingAdd> pendingAdds;
    std::vector<NotificationRequest> added;  // every request handed to add()
    int statusQueryCount = 0;
    int authorizationRequestCount = 0;

    void authorizationStatus(std::function<void(AuthorizationStatus)> done) override {
        ++statusQueryCount;
        if (immediateStatus) {
            done(*immediateStatus);
            return;
        }
        statusQueries.push_back(std::move(done));
    }

    void requestAuthorization(std::function<void(bool, std::optional<std::string>)> done) override {
        ++authorizationRequestCount;
        authorizationRequests.push_back(std::move(done));
    }

    void add(const NotificationRequest& request,
             std::function<void(std::optional<std::string>)> done) override {
        added.push_back(request);
        pendingAdds.push_back({request, std::move(done)});
    }

    void answerStatus(AuthorizationStatus status) {
        auto done = std::move(statusQueries.front());
        statusQueries.pop_front();
        done(status);
    }

    void answerAuthorization(bool granted, std::optional<std::string> error = std::nullopt) {
        auto done = std::move(authorizationRequests.front());
        authorizationRequests.pop_front();
        done(granted, std::move(error));
    }

    void finishAdd(std::optional<std::string> error = std::nullopt) {
        auto pending = std::move(pendingAdds.front());
        pendingAdds.pop_front();
        pending.done(std::move(error));
    }
};

}  // namespace tidemark::test
