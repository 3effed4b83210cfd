#include "freedesktop/FreedesktopNotificationClient.h"

#include <QDBusConnection>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

#include "HostileNames.h"
#include "RecordingNotificationServer.h"
#include "TempDir.h"

namespace tidemark {
namespace {

// What a server shows for a body in its markup subset.
QString shownUnderMarkup(QString body) {
    return body.replace("&lt;", "<").replace("&gt;", ">").replace("&amp;", "&");
}

class FreedesktopNotificationClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.isConnected()) << server.daemonErrors().toStdString();
    }

    // Starts an asynchronous call and waits for its answer.
    template <typename T>
    T await(const std::function<void(std::function<void(T)>)>& call) {
        std::optional<T> answer;
        call([&](T value) { answer = std::move(value); });
        EXPECT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 10000));
        return answer.value_or(T{});
    }
    AuthorizationStatus status() {
        return await<AuthorizationStatus>([&](auto done) { client->authorizationStatus(done); });
    }
    std::optional<std::string> post(const std::string& identifier, const std::string& body,
                                    AlertEvent event = AlertEvent::warning) {
        return await<std::optional<std::string>>([&](auto done) {
            client->add({identifier, "标题", body, event}, done);
        });
    }

    test::TempDir dir;
    test::RecordingNotificationServer server{dir.path()};
    std::unique_ptr<FreedesktopNotificationClient> client =
        std::make_unique<FreedesktopNotificationClient>(server.clientBus());
};

TEST_F(FreedesktopNotificationClientTest, PostsToTheServerAndReplacesByIdentifier) {
    ASSERT_TRUE(server.start());
    EXPECT_EQ(status(), AuthorizationStatus::authorized);
    const std::string link = "关闭 <a href=\"x\">Tom & Jerry</a>";
    EXPECT_FALSE(post("tidemark-warning-live", link));
    server.capabilities << "body-markup";
    EXPECT_FALSE(post("tidemark-warning-live", link));
    EXPECT_FALSE(post("tidemark-critical-live", "正文", AlertEvent::critical));
    EXPECT_FALSE(post("tidemark-warning-live", "正文"));

    ASSERT_EQ(server.calls.size(), 4u);
    const auto& first = server.calls[0];
    EXPECT_EQ(QStringList({first.appName, first.icon, first.summary, first.body}),
              QStringList({"潮痕", "tidemark", "标题", QString::fromStdString(link)}));
    EXPECT_EQ(server.calls[1].body, "关闭 &lt;a href=\"x\"&gt;Tom &amp; Jerry&lt;/a&gt;");
    EXPECT_EQ(first.expireTimeout, -1);
    EXPECT_EQ(first.hints.value("urgency").metaType(), QMetaType::fromType<uchar>());
    EXPECT_EQ(first.hints.value("urgency").toInt(), 1);
    EXPECT_EQ(server.calls[2].hints.value("urgency").toInt(), 2);
    EXPECT_EQ(server.calls[2].replacesId, 0u);  // another identifier
    EXPECT_EQ(server.calls[3].replacesId, 41u);
}

TEST_F(FreedesktopNotificationClientTest, ReplacesOnlyWhatIsStillShown) {
    ASSERT_TRUE(server.start());
    struct Case {
        const char* what;
        std::function<void(uint id)> between;
        bool replaced;
    };
    const Case cases[] = {
        {"still shown", [](uint) {}, true},
        {"expired", [&](uint id) { server.close(id, 1); }, false},
        {"dismissed", [&](uint id) { server.close(id, 2); }, false},
        {"another id closed", [&](uint id) { server.close(id + 100, 2); }, true},
        {"server restarted", [&](uint) { ASSERT_TRUE(server.restart()); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string identifier = std::string("tidemark-warning-") + c.what;
        ASSERT_FALSE(post(identifier, "第一次"));
        const uint first = server.lastId;
        c.between(first);
        ASSERT_FALSE(post(identifier, "第二次"));
        const auto& second = server.calls.back();
        EXPECT_EQ(second.replacesId, c.replaced ? first : 0u);
        EXPECT_TRUE(second.popsUp);
    }
}

TEST_F(FreedesktopNotificationClientTest, BodiesNamingHostileApplicationsShowLiterally) {
    ASSERT_TRUE(server.start());
    server.capabilities << "body-markup";
    for (const AppMemory& app : test::hostileApplications(1)) {
        const std::string body = "确认 " + app.name + " 是否暂不使用。";
        ASSERT_FALSE(post("tidemark-warning-live", body));
        const QString& received = server.calls.back().body;
        EXPECT_FALSE(received.contains(u'<') || received.contains(u'>')) << body;
        EXPECT_EQ(shownUnderMarkup(received), QString::fromStdString(body));
    }
}

TEST_F(FreedesktopNotificationClientTest, WithoutServerPermissionIsDeniedUntilOneAppears) {
    EXPECT_EQ(status(), AuthorizationStatus::denied);
    EXPECT_TRUE(post("tidemark-warning-live", "正文").has_value());
    ASSERT_TRUE(server.start());
    EXPECT_EQ(status(), AuthorizationStatus::authorized);
}

TEST_F(FreedesktopNotificationClientTest, AnActivatableServerCountsAsPresent) {
    test::TempDir::writeFile(server.servicesDirectory() / "org.freedesktop.Notifications.service",
                             "[D-BUS Service]\nName=org.freedesktop.Notifications\n"
                             "Exec=/bin/false\n");
    EXPECT_EQ(status(), AuthorizationStatus::authorized);
}

TEST_F(FreedesktopNotificationClientTest, WithoutBusConnectionEverythingFailsQuietlyLater) {
    client = std::make_unique<FreedesktopNotificationClient>(QDBusConnection::connectToBus(
        "unix:path=" + QString::fromStdString((dir / "none").string()), "nowhere"));
    EXPECT_EQ(status(), AuthorizationStatus::denied);
    bool called = false;
    client->add({"tidemark-warning-live", "t", "b", AlertEvent::warning},
                [&](std::optional<std::string> error) { called = error.has_value(); });
    EXPECT_FALSE(called);  // never inside the call
    EXPECT_TRUE(QTest::qWaitFor([&] { return called; }, 10000));
    client.reset();
    QDBusConnection::disconnectFromBus("nowhere");
}

}  // namespace
}  // namespace tidemark
