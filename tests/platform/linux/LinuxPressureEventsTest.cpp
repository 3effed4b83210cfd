#include "platform/linux/LinuxPressureEvents.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <map>

#include "TempDir.h"

namespace tidemark {
namespace {

struct RecordingWatcher final : DescriptorWatcher {
    void watchExceptional(int fd, std::function<void()> onReady) override {
        watched[fd] = std::move(onReady);
    }
    void unwatch(int fd) override { watched.erase(fd); }
    std::map<int, std::function<void()>> watched;
};

TEST(LinuxPressureEventsTest, ArmsTheTriggerAndWatchesItsDescriptor) {
    test::TempDir dir;
    const auto file = dir / "memory";
    test::TempDir::writeFile(file, "\n");
    RecordingWatcher watcher;
    int events = 0;
    {
        LinuxPressureEvents pressure(watcher, file.string());
        ASSERT_TRUE(pressure.start([&] { ++events; }));
        ASSERT_EQ(watcher.watched.size(), 1u);
        const int fd = watcher.watched.begin()->first;
        EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
        watcher.watched.begin()->second();
        EXPECT_EQ(events, 1);
        // Started again: one trigger, not two.
        ASSERT_TRUE(pressure.start([&] { events += 10; }));
        EXPECT_EQ(watcher.watched.size(), 1u);
    }
    // Gone with the object; the kernel read the trigger with its NUL.
    EXPECT_TRUE(watcher.watched.empty());
    EXPECT_EQ(test::TempDir::readFile(file), std::string(LinuxPressureEvents::kTrigger) + '\0');
}

TEST(LinuxPressureEventsTest, ARefusedTriggerIsReportedAndWatchesNothing) {
    test::TempDir dir;
    RecordingWatcher watcher;
    for (const auto& [path, error] : {std::pair{dir / "missing", ENOENT}, {dir.path(), EISDIR}}) {
        LinuxPressureEvents pressure(watcher, path.string());
        EXPECT_FALSE(pressure.start([] {})) << path;
        EXPECT_EQ(pressure.refusal(), error) << path;
        EXPECT_TRUE(watcher.watched.empty());
    }
}

}  // namespace
}  // namespace tidemark
