#include "platform/linux/LinuxKillSignals.h"

#include <gtest/gtest.h>

#include <string>

#include "TempDir.h"

namespace tidemark {
namespace {

using test::TempDir;
using namespace std::string_literals;

TEST(LinuxKillSignalsTest, KillersAndCountersFromFixtureTrees) {
    TempDir dir;
    const auto proc = dir / "proc";
    TempDir::writeFile(proc / "1/comm", "systemd\n");
    TempDir::writeFile(proc / "412/comm", "earlyoom\n");
    TempDir::writeFile(proc / "412/cmdline",
                       "/usr/bin/earlyoom\0-m\0"s
                       "5\0-s\0"s
                       "20\0"s);
    TempDir::writeFile(proc / "self/comm", "earlyoom\n");  // not a pid: skipped
    TempDir::writeFile(proc / "vmstat", "pgfault 1\noom_kill 3\noom_kill_x 9\n");
    TempDir::writeFile(proc / "meminfo", "MemTotal: 1000 kB\nMemAvailable: 250 kB\n");
    TempDir::writeFile(proc / "self/cgroup",
                       "0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                       "app-org.gnome.Terminal.slice/vte-spawn-1.scope\n");
    TempDir::writeFile(dir / "cg/user.slice/user-1000.slice/user@1000.service/memory.events",
                       "low 0\nhigh 0\nmax 4\noom 2\noom_kill 2\noom_group_kill 0\n");

    LinuxKillSignals signals(proc.string(), (dir / "cg").string(), (dir / "etc").string());
    const KillerInventory inventory = signals.readInventory();
    EXPECT_EQ(
        inventory,
        (KillerInventory{.earlyoom = true, .earlyoomMemoryPercent = 5, .earlyoomSwapPercent = 20}));
    const KillCounters counters = signals.readCounters();
    EXPECT_EQ(counters.kernelOomKills, 3u);
    EXPECT_EQ(counters.sessionOomKills, 2u);
    EXPECT_EQ(counters.availableBytes, 250u * 1024);
    EXPECT_EQ(counters.physicalMemoryBytes, 1000u * 1024);

    // A hidden command line (hidepid): the service's defaults file tells.
    TempDir::writeFile(proc / "412/cmdline", "");
    TempDir::writeFile(dir / "etc/default/earlyoom", "EARLYOOM_ARGS=\"-m 7\"\n");
    EXPECT_EQ(signals.readInventory().earlyoomMemoryPercent, 7);

    // Nothing readable: no killer but the kernel, every counter absent.
    LinuxKillSignals nothing((dir / "none").string(), (dir / "none").string(),
                             (dir / "none").string());
    EXPECT_EQ(nothing.readInventory(), KillerInventory{});
    EXPECT_FALSE(nothing.readCounters().kernelOomKills);
}

}  // namespace
}  // namespace tidemark
