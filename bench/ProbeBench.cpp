#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "core/SystemProbe.h"

extern char** environ;

namespace {

constexpr int kIdleProcessCount = 2000;

// Idle processes for as long as the object lives. Each child asks the kernel
// to kill it when the benchmark dies, so none outlives a crash or Ctrl-C; the
// destructor kills and reaps them otherwise.
class IdleProcesses {
public:
    explicit IdleProcesses(int count) {
        const pid_t parent = ::getpid();
        for (int i = 0; i < count; ++i) {
            pid_t pid = ::fork();
            if (pid == 0) {
                ::prctl(PR_SET_PDEATHSIG, SIGKILL);
                if (::getppid() != parent) {
                    ::_exit(0);
                }
                for (;;) {
                    ::pause();
                }
            }
            if (pid < 0) {
                break;
            }
            m_pids.push_back(pid);
        }
    }
    ~IdleProcesses() {
        for (pid_t pid : m_pids) {
            ::kill(pid, SIGKILL);
        }
        for (pid_t pid : m_pids) {
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
    }
    IdleProcesses(const IdleProcesses&) = delete;
    IdleProcesses& operator=(const IdleProcesses&) = delete;

    bool complete(int count) const { return static_cast<int>(m_pids.size()) == count; }

private:
    std::vector<pid_t> m_pids;
};

// Runs a command with its output thrown away; seconds of wall time, or a
// negative value when it could not be started or failed.
double timeCommand(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return -1;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    return std::chrono::duration<double>(end - start).count();
}

void BM_LightweightSample(benchmark::State& state) {
    tidemark::SystemProbe probe(tidemark::defaultProbePlatform());
    for (auto _ : state) {
        benchmark::DoNotOptimize(probe.lightweightSample());
    }
}
BENCHMARK(BM_LightweightSample);

void BM_Capture5(benchmark::State& state) {
    tidemark::SystemProbe probe(tidemark::defaultProbePlatform());
    for (auto _ : state) {
        benchmark::DoNotOptimize(probe.capture(5));
    }
    state.counters["processes"] = static_cast<double>(probe.readProcesses().samples.size());
}
BENCHMARK(BM_Capture5)->Unit(benchmark::kMillisecond);

void BM_Capture5With2000IdleProcesses(benchmark::State& state) {
    IdleProcesses idle(kIdleProcessCount);
    if (!idle.complete(kIdleProcessCount)) {
        state.SkipWithError("could not start the idle processes");
        return;
    }
    tidemark::SystemProbe probe(tidemark::defaultProbePlatform());
    for (auto _ : state) {
        benchmark::DoNotOptimize(probe.capture(5));
    }
    state.counters["processes"] = static_cast<double>(probe.readProcesses().samples.size());
}
BENCHMARK(BM_Capture5With2000IdleProcesses)->Unit(benchmark::kMillisecond)->Iterations(20);

// The whole `tidemark --probe` command against `ps -eo pid,rss,comm`, both
// with 2,000 extra processes, run alternately so that both see the same
// machine. The iteration time is the probe's; ratio = probe / ps.
void BM_ProbeCommandVsPsWith2000IdleProcesses(benchmark::State& state) {
    const std::string tidemark =
        (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "tidemark").string();
    IdleProcesses idle(kIdleProcessCount);
    if (!idle.complete(kIdleProcessCount)) {
        state.SkipWithError("could not start the idle processes");
        return;
    }
    double probeSeconds = 0;
    double psSeconds = 0;
    for (auto _ : state) {
        const double probe = timeCommand({tidemark, "--probe"});
        const double ps = timeCommand({"ps", "-eo", "pid,rss,comm"});
        if (probe < 0 || ps < 0) {
            state.SkipWithError(probe < 0 ? "cannot run tidemark --probe" : "cannot run ps");
            return;
        }
        state.SetIterationTime(probe);
        probeSeconds += probe;
        psSeconds += ps;
    }
    using benchmark::Counter;
    state.counters["probe_ms"] = Counter(probeSeconds * 1e3, Counter::kAvgIterations);
    state.counters["ps_ms"] = Counter(psSeconds * 1e3, Counter::kAvgIterations);
    state.counters["ratio"] = psSeconds > 0 ? probeSeconds / psSeconds : 0;
}
BENCHMARK(BM_ProbeCommandVsPsWith2000IdleProcesses)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(10);

}  // namespace
