#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
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

// A multi-process browser as the probe sees one: a copy of this program under
// a name of its own (so that its processes form one application apart from
// the idle ones), whose first process maps a shared region that every
// process touches and whose 15 helpers each touch private memory. Their
// resident sizes count the shared region once per process; what closing it
// frees counts it once.
constexpr int kBrowserProcesses = 16;
constexpr std::size_t kBrowserSharedBytes = 64u << 20;
constexpr std::size_t kBrowserPrivateBytes = 48u << 20;
constexpr const char* kBrowserEnvironment = "TIDEMARK_BENCH_BROWSER";

void touch(char* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; i += 4096) {
        bytes[i] = static_cast<char>(i >> 12 | 1);
    }
}

[[noreturn]] void runBrowser(pid_t bench) {
    auto* shared = static_cast<char*>(::mmap(nullptr, kBrowserSharedBytes, PROT_READ | PROT_WRITE,
                                             MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    if (shared == MAP_FAILED) {
        ::_exit(1);
    }
    touch(shared, kBrowserSharedBytes);
    for (int i = 1; i < kBrowserProcesses; ++i) {
        if (::fork() == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            std::vector<char> own(kBrowserPrivateBytes);
            touch(own.data(), own.size());
            touch(shared, kBrowserSharedBytes);
            for (;;) {
                ::pause();
            }
        }
    }
    (void)bench;
    for (;;) {
        ::pause();
    }
}

// The copy runs as the browser when started with the variable set; it never
// reaches the benchmarks.
[[maybe_unused]] const bool kRunsAsBrowser = [] {
    const char* bench = std::getenv(kBrowserEnvironment);
    if (bench != nullptr) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        runBrowser(static_cast<pid_t>(std::atoi(bench)));
    }
    return false;
}();

class ModelledBrowser {
public:
    ModelledBrowser() {
        const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
        m_directory = std::filesystem::temp_directory_path() /
                      ("tidemark-bench-browser-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_directory);
        const std::filesystem::path copy = m_directory / "browser";
        std::filesystem::copy_file(self, copy, std::filesystem::copy_options::overwrite_existing);
        const std::string variable =
            std::string(kBrowserEnvironment) + "=" + std::to_string(::getpid());
        std::vector<char*> env;
        for (char** e = environ; *e != nullptr; ++e) {
            env.push_back(*e);
        }
        env.push_back(const_cast<char*>(variable.c_str()));
        env.push_back(nullptr);
        const std::string program = copy.string();
        char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
        if (::posix_spawn(&m_pid, argv[0], nullptr, nullptr, argv, env.data()) != 0) {
            m_pid = 0;
        }
        // Until every helper has touched its memory.
        for (int i = 0; i < 100 && m_pid > 0 && helpers() < kBrowserProcesses - 1; ++i) {
            ::usleep(50'000);
        }
        ::usleep(300'000);
    }
    ~ModelledBrowser() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
        std::error_code ignored;
        std::filesystem::remove_all(m_directory, ignored);
    }
    ModelledBrowser(const ModelledBrowser&) = delete;
    ModelledBrowser& operator=(const ModelledBrowser&) = delete;

    bool running() const { return m_pid > 0 && ::kill(m_pid, 0) == 0; }

private:
    int helpers() const {
        int count = 0;
        const std::string children =
            "/proc/" + std::to_string(m_pid) + "/task/" + std::to_string(m_pid) + "/children";
        FILE* file = std::fopen(children.c_str(), "r");
        if (file == nullptr) {
            return 0;
        }
        int pid = 0;
        while (std::fscanf(file, "%d", &pid) == 1) {
            ++count;
        }
        std::fclose(file);
        return count;
    }

    std::filesystem::path m_directory;
    pid_t m_pid = 0;
};

// The probe as it read before it knew what closing an application frees
// (resident sizes only), or counting the finer reads it makes now.
class ResidentOnlyPlatform final : public tidemark::ProbePlatform {
public:
    ResidentOnlyPlatform(tidemark::ProbePlatform& inner, bool footprints)
        : m_inner(inner), m_footprints(footprints) {}
    std::optional<std::uint64_t> footprintBytes(std::int32_t pid) override {
        if (!m_footprints) {
            return std::nullopt;
        }
        ++reads;
        walkedBytes += m_inner.residentBytes(pid).value_or(0);
        return m_inner.footprintBytes(pid);
    }
    std::uint64_t reads = 0;
    std::uint64_t walkedBytes = 0;
    tidemark::Timestamp now() override { return m_inner.now(); }
    tidemark::MemoryReadings readMemory() override { return m_inner.readMemory(); }
    int processCountHint() override { return m_inner.processCountHint(); }
    int listProcessIds(std::span<std::int32_t> pids) override {
        return m_inner.listProcessIds(pids);
    }
    std::optional<std::uint64_t> residentBytes(std::int32_t pid) override {
        return m_inner.residentBytes(pid);
    }
    int processName(std::int32_t pid, std::span<char> buffer) override {
        return m_inner.processName(pid, buffer);
    }
    int executablePath(std::int32_t pid, std::span<char> buffer) override {
        return m_inner.executablePath(pid, buffer);
    }
    int controlGroups(std::int32_t pid, std::span<char> buffer) override {
        return m_inner.controlGroups(pid, buffer);
    }

private:
    tidemark::ProbePlatform& m_inner;
    bool m_footprints;
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

// capture(5) with a modelled browser beside the 2,000 idle processes, with
// the finer per-process figure (range(0) = 1) and with resident sizes only
// (0), as the probe read before: both in one run, on one machine.
void BM_Capture5WithBrowserAnd2000IdleProcesses(benchmark::State& state) {
    IdleProcesses idle(kIdleProcessCount);
    if (!idle.complete(kIdleProcessCount)) {
        state.SkipWithError("could not start the idle processes");
        return;
    }
    ModelledBrowser browser;
    if (!browser.running()) {
        state.SkipWithError("could not start the modelled browser");
        return;
    }
    ResidentOnlyPlatform platform(tidemark::defaultProbePlatform(), state.range(0) != 0);
    tidemark::SystemProbe probe(platform);
    tidemark::SystemSnapshot last;
    for (auto _ : state) {
        last = probe.capture(5);
        benchmark::DoNotOptimize(last);
    }
    state.counters["processes"] = static_cast<double>(probe.readProcesses().samples.size());
    using benchmark::Counter;
    state.counters["smaps_reads"] =
        Counter(static_cast<double>(platform.reads), Counter::kAvgIterations);
    state.counters["smaps_MB"] =
        Counter(static_cast<double>(platform.walkedBytes) / 1e6, Counter::kAvgIterations);
    if (!last.topApplications.empty()) {
        state.counters["top_MB"] =
            static_cast<double>(last.topApplications.front().footprintBytes) / 1e6;
    }
}
BENCHMARK(BM_Capture5WithBrowserAnd2000IdleProcesses)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

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
