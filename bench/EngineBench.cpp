#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "WeekOfTicks.h"
#include "engine/MonitoringEngine.h"
#include "history/IncidentStore.h"

namespace {

using namespace tidemark;

// A quiet machine: the tick never needs the process list.
class QuietSource final : public SampleSource {
public:
    LightweightSample lightweightSample() override {
        m_now += 60;
        return {m_now, Pressure::normal, 512ull << 20, 16ull << 30, 9ull << 30};
    }
    SystemSnapshot capture(std::size_t) override { return {}; }

private:
    Timestamp m_now = 1'765'000'000.0;
};

struct Scratch {
    Scratch() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tidemark-bench-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~Scratch() { std::filesystem::remove_all(path); }
    std::filesystem::path path;
};

void BM_TickWithoutCapture(benchmark::State& state) {
    Scratch scratch;
    LocalCalendar calendar;
    QuietSource source;
    IncidentStore store(scratch.path / "incidents.json", calendar, 1'765'000'000.0);
    MonitoringEngine engine(source, store);
    for (int i = 0; i < 100; ++i) {
        engine.tick();  // fill the six-minute history
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(engine.tick());
    }
}
BENCHMARK(BM_TickWithoutCapture);

// Heap in use after 100,000 ticks minus heap in use after warm-up.
void BM_TickHeapGrowth(benchmark::State& state) {
    for (auto _ : state) {
        Scratch scratch;
        LocalCalendar calendar;
        QuietSource source;
        IncidentStore store(scratch.path / "incidents.json", calendar, 1'765'000'000.0);
        MonitoringEngine engine(source, store);
        for (int i = 0; i < 1000; ++i) {
            engine.tick();
        }
        const auto before = mallinfo2().uordblks;
        for (int i = 0; i < 100'000; ++i) {
            engine.tick();
        }
        const auto after = mallinfo2().uordblks;
        state.counters["heapGrowthBytes"] =
            static_cast<double>(static_cast<long long>(after) - static_cast<long long>(before));
    }
}
BENCHMARK(BM_TickHeapGrowth)->Iterations(1)->Unit(benchmark::kMillisecond);

// The soak test's week of episodes, clock changes and suspends: the most the
// heap, history aside, stood above its size after the first day.
void BM_WeekHeapGrowth(benchmark::State& state) {
    for (auto _ : state) {
        Scratch scratch;
        tidemark::test::WeekOfTicks week(scratch.path / "incidents.json");
        week.alerts.reserve(1024);
        week.run();
        state.counters["heapGrowthBytes"] = static_cast<double>(week.heapGrowthBytes);
    }
}
BENCHMARK(BM_WeekHeapGrowth)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
