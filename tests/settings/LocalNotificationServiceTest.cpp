#include "settings/LocalNotificationService.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>

#include "FakeNotificationClient.h"
#include "MemoryPreferenceStore.h"

namespace tidemark {
namespace {

using Status = AuthorizationStatus;
const std::string kMuted(LocalNotificationService::mutedKey);

struct LocalNotificationServiceTest : ::testing::Test {
    test::FakeNotificationClient client;
    test::MemoryPreferenceStore preferences;
    std::unique_ptr<LocalNotificationService> service = make(true);
    int stateChanges = 0, finished = 0;
    std::function<void()> countDone = [this] { ++finished; };

    std::unique_ptr<LocalNotificationService> make(bool isAvailable) {
        auto made = std::make_unique<LocalNotificationService>(client, isAvailable, preferences);
        made->onStateChange = [this] { ++stateChanges; };
        return made;
    }
    void enableWith(Status status) {
        client.immediateStatus = status;
        service->setRemindersEnabled(true);
        client.immediateStatus.reset();
    }
};

TEST_F(LocalNotificationServiceTest, UnavailableNeverTouchesTheClient) {
    service = make(false);
    service->refreshAuthorizationState(countDone);
    service->setRemindersEnabled(true, countDone);
    service->send(AlertEvent::critical, false, std::nullopt, countDone);
    EXPECT_EQ(finished, 3);
    EXPECT_EQ(stateChanges, 1);
    EXPECT_FALSE(service->isEnabled());
    EXPECT_EQ(client.statusQueryCount, 0);
    EXPECT_TRUE(client.added.empty() && preferences.values.empty());
}

TEST_F(LocalNotificationServiceTest, FirstSwitchOnAsksOnceAndFollowsTheAnswer) {
    // Granted, refused, failed: only a real answer is followed by a fresh status query.
    const std::tuple<bool, std::optional<std::string>, std::optional<Status>> answers[] = {
        {true, std::nullopt, Status::authorized},
        {false, std::nullopt, Status::denied},
        {false, "no", std::nullopt}};
    for (const auto& [granted, error, recheck] : answers) {
        preferences.values[kMuted] = true;
        service = make(true);
        service->setRemindersEnabled(true, countDone);
        EXPECT_FALSE(preferences.values[kMuted]);
        client.answerStatus(Status::notDetermined);
        client.answerAuthorization(granted, error);
        if (recheck)
            client.answerStatus(*recheck);
        EXPECT_EQ(service->isEnabled(), granted);
        EXPECT_TRUE(client.statusQueries.empty() && client.authorizationRequests.empty());
        enableWith(Status::provisional);  // not stuck half-way
        EXPECT_TRUE(service->isEnabled());
    }
    EXPECT_EQ(client.authorizationRequestCount, 3);
    EXPECT_EQ(finished, 3);
}

TEST_F(LocalNotificationServiceTest, SwitchingOffWhileSwitchingOnIsIgnoredAndOffSurvivesRestart) {
    service->setRemindersEnabled(true, countDone);
    service->setRemindersEnabled(false, countDone);
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(preferences.values[kMuted]);
    client.answerStatus(Status::authorized);
    client.answerStatus(Status::authorized);
    EXPECT_TRUE(service->isEnabled());
    EXPECT_EQ(stateChanges, 1);

    service->setRemindersEnabled(false);
    EXPECT_TRUE(preferences.values[kMuted]);
    EXPECT_FALSE(service->isEnabled());
    service = make(true);
    client.immediateStatus = Status::authorized;
    service->refreshAuthorizationState();
    EXPECT_FALSE(service->isEnabled());
}

TEST_F(LocalNotificationServiceTest, SendPostsTheContentDropsFailuresAndNoticesRevocation) {
    enableWith(Status::authorized);
    AdvicePlan plan;
    plan.summary = "先关掉 <Chrome> 里不用的标签页";
    client.immediateStatus = Status::authorized;
    service->send(AlertEvent::warning, false, std::nullopt, countDone);
    service->send(AlertEvent::critical, true, plan, countDone);
    // What each says is NotificationContentTest's.
    ASSERT_EQ(client.added.size(), 2u);
    EXPECT_EQ(client.added[0].identifier, "tidemark-warning-live");
    EXPECT_EQ(client.added[1].identifier, "tidemark-critical-test");
    EXPECT_EQ(client.added[1].body, "本地预览：" + plan.summary);
    EXPECT_EQ(client.added[1].event, AlertEvent::critical);
    client.finishAdd("server gone");
    client.finishAdd();
    EXPECT_EQ(finished, 2);
    EXPECT_TRUE(service->isEnabled());

    client.immediateStatus.reset();
    const int changes = stateChanges;
    service->send(AlertEvent::critical, false, std::nullopt, countDone);
    client.answerStatus(Status::denied);
    EXPECT_FALSE(service->isEnabled());
    EXPECT_EQ(stateChanges, changes + 1);
    EXPECT_EQ(finished, 3);
    EXPECT_EQ(client.added.size(), 2u);
}

TEST_F(LocalNotificationServiceTest, CompletionsAfterDestructionAreIgnored) {
    enableWith(Status::authorized);
    service->send(AlertEvent::warning, false, std::nullopt, countDone);
    service->setRemindersEnabled(true, countDone);
    service.reset();
    client.answerStatus(Status::authorized);
    client.answerStatus(Status::notDetermined);
    EXPECT_TRUE(client.added.empty());
    EXPECT_EQ(client.authorizationRequestCount, 0);
    EXPECT_EQ(finished, 0);
}

}  // namespace
}  // namespace tidemark
