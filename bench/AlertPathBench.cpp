#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "SyntheticDesktop.h"
#include "core/ProbePlatform.h"
#include "core/SystemProbe.h"
#include "engine/MonitoringEngine.h"
#include "history/IncidentStore.h"
#include "settings/LocalNotificationService.h"
#include "settings/NotificationClient.h"
#include "settings/PreferenceStore.h"

namespace {

using namespace tidemark;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kDesktopApplications = 150;

double millisecondsSince(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double, std::milli>(end - start).count();
}

// The main thread's event loop, reduced to what the notification path needs:
// work queued by a completion runs once the tick has returned.
class EventQueue {
public:
    void post(std::function<void()> work) { m_work.push_back(std::move(work)); }
    void run() {
        while (!m_work.empty()) {
            auto work = std::move(m_work.front());
            m_work.pop_front();
            work();
        }
    }

private:
    std::deque<std::function<void()>> m_work;
};

// The desktop's notification server as the D-Bus client meets it: every
// answer arrives on a later turn of the event loop. The status query is the
// server's presence; add() asks for its capabilities, and the Notify call
// leaves on the turn after that answer.
class QueuedNotificationClient final : public NotificationClient {
public:
    explicit QueuedNotificationClient(EventQueue& queue) : m_queue(queue) {}

    void authorizationStatus(std::function<void(AuthorizationStatus)> done) override {
        m_queue.post([done = std::move(done)] { done(AuthorizationStatus::authorized); });
    }
    void requestAuthorization(std::function<void(bool, std::optional<std::string>)> done) override {
        m_queue.post([done = std::move(done)] { done(true, std::nullopt); });
    }
    void add(const NotificationRequest&,
             std::function<void(std::optional<std::string>)> done) override {
        m_queue.post([this, done = std::move(done)] {
            notifySentAt = Clock::now();
            m_queue.post([done] { done(std::nullopt); });
        });
    }

    std::optional<Clock::time_point> notifySentAt;

private:
    EventQueue& m_queue;
};

class NoPreferences final : public PreferenceStore {
public:
    std::optional<bool> boolValue(const std::string&) const override { return std::nullopt; }
    void setBool(const std::string&, bool) override {}
};

// This machine's processes, read by the real probe, under a pressure the
// benchmark chooses: the tick's own reading of /proc, its capture and its
// growth history are the ones the tray application pays for. With
// `entriesEachCapture` every capture starts from a probe of its own, and so
// reads the desktop entries again, as every capture once did.
class PressedSource final : public SampleSource {
public:
    PressedSource(DesktopEntryLocations locations, bool entriesEachCapture)
        : m_locations(std::move(locations)),
          m_entriesEachCapture(entriesEachCapture),
          m_probe(defaultProbePlatform(), defaultBundleReader(), m_locations) {}

    LightweightSample lightweightSample() override {
        LightweightSample sample = m_probe.lightweightSample();
        sample.pressure = pressure;
        return sample;
    }
    SystemSnapshot capture(std::size_t limit) override {
        const Clock::time_point start = Clock::now();
        SystemSnapshot snapshot =
            m_entriesEachCapture
                ? SystemProbe(defaultProbePlatform(), defaultBundleReader(), m_locations)
                      .capture(limit)
                : m_probe.capture(limit);
        captureMs = millisecondsSince(start, Clock::now());
        return snapshot;
    }
    void recordGrowth(const LightweightSample& sample) override { m_probe.recordGrowth(sample); }

    Pressure pressure = Pressure::normal;
    double captureMs = 0;

private:
    DesktopEntryLocations m_locations;
    bool m_entriesEachCapture;
    SystemProbe m_probe;
};

// A scratch directory on the disk the home directory is on, so that the
// history's fsync reaches a real device (a tmpfs would make it free).
struct DiskScratch {
    DiskScratch() {
        std::string pattern = "/var/tmp/tidemark-bench-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            path = pattern;
        }
    }
    ~DiskScratch() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    fs::path path;
};

// A desktop with `count` installed applications whose programs are on PATH,
// beside the machine's own entries.
DesktopEntryLocations desktopWithApplications(const fs::path& root, int count) {
    bench::writeSyntheticDesktop(root, count);
    // Installed a while ago, as a desktop's applications are.
    fs::last_write_time(root / "share/applications",
                        fs::file_time_type::clock::now() - std::chrono::hours(1));
    DesktopEntryLocations locations = DesktopEntryLocations::fromEnvironment();
    locations.dataDirectories.insert(locations.dataDirectories.begin(), (root / "share").string());
    locations.searchPath.insert(locations.searchPath.begin(), (root / "bin").string());
    return locations;
}

// Written-back pages first, then the page cache, dentries and inodes.
bool dropPageCache() {
    ::sync();
    std::ofstream control("/proc/sys/vm/drop_caches");
    control << "3\n";
    control.flush();
    return static_cast<bool>(control);
}

// Tick start to the moment the Notify call leaves, with a cold page cache:
// the alert tick of the tray application (the real probe on this machine and
// a desktop of 150 applications, the engine, the history on disk) and the
// notification service wired as the tray application wires them, the
// client's answers arriving on later turns of the event loop. Argument 1 is
// the tray application's path; 0 the earlier one, for comparison: the
// desktop entries read at every capture and the history written within the
// tick, before the notification could leave.
void BM_AlertToNotifyColdCache(benchmark::State& state) {
    const bool current = state.range(0) == 1;
    DiskScratch scratch;
    if (scratch.path.empty()) {
        state.SkipWithError("no scratch directory under /var/tmp");
        return;
    }
    PressedSource source(desktopWithApplications(scratch.path / "desktop", kDesktopApplications),
                         !current);
    source.capture(MonitoringEngine::kCaptureLimit);  // the start-up ranking
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        LocalCalendar calendar;
        const fs::path history = scratch.path / ("incidents-" + std::to_string(++run) + ".json");
        IncidentStore store(history, calendar, source.lightweightSample().capturedAt);
        MonitoringEngine engine(source, store);
        EventQueue queue;
        QueuedNotificationClient client(queue);
        NoPreferences preferences;
        LocalNotificationService notifications(client, true, preferences);
        notifications.refreshAuthorizationState();
        queue.run();
        // As the tray application wires it, the history is written once the
        // server has answered the notification; the earlier path wrote it
        // within the tick.
        std::optional<Clock::time_point> historyWrittenAt;
        engine.onAlert = [&](AlertEvent event, const std::optional<AdvicePlan>& advice) {
            if (!current) {
                notifications.send(event, false, advice);
                return;
            }
            store.holdSaves();
            notifications.send(event, false, advice, [&] {
                store.releaseSaves();
                historyWrittenAt = Clock::now();
            });
        };
        source.pressure = Pressure::normal;
        engine.tick();
        source.pressure = Pressure::critical;
        if (!dropPageCache()) {
            state.SkipWithError("dropping the page cache needs root");
            break;
        }
        state.ResumeTiming();

        const Clock::time_point start = Clock::now();
        const TickReport report = engine.tick();
        const Clock::time_point tickEnd = Clock::now();
        if (!current) {
            historyWrittenAt = tickEnd;  // at the latest
        }
        queue.run();
        if (!report.alert || !client.notifySentAt) {
            state.SkipWithError("the critical tick sent no notification");
            break;
        }
        const double notifyMs = millisecondsSince(start, *client.notifySentAt);
        state.SetIterationTime(notifyMs / 1000);
        state.counters["notify_ms"] = notifyMs;
        state.counters["tick_ms"] = millisecondsSince(start, tickEnd);
        state.counters["capture_ms"] = source.captureMs;
        if (!historyWrittenAt || !fs::exists(history)) {
            state.SkipWithError("the history was not written");
            break;
        }
        state.counters["history_ms"] = millisecondsSince(start, *historyWrittenAt);
    }
}
BENCHMARK(BM_AlertToNotifyColdCache)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Repetitions(9)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
