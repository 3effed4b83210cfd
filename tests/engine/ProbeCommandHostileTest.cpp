// Real processes with hostile names and paths at the top of the memory
// ranking, read through the real procfs by the probe command.

#include "engine/ProbeCommand.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "HostileNames.h"
#include "TempDir.h"
#include "core/ProcParsers.h"

namespace tidemark {
namespace {

namespace fs = std::filesystem;

// Ranks above anything a desktop or a build runs here; four leave the machine
// most of its memory.
constexpr std::uint64_t kHogBytes = 3ull << 29;

// A copy of this binary started with TIDEMARK_TEST_HOG set becomes a hog before
// any test runs: it touches its memory, takes its name, reports ready on the
// given descriptor and waits to be killed (or dies with its parent).
[[maybe_unused]] const bool s_hogMode = [] {
    const char* ready = std::getenv("TIDEMARK_TEST_HOG_READY_FD");
    if (ready == nullptr)
        return false;
    void* memory =
        ::mmap(nullptr, kHogBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        ::_exit(3);
    ::madvise(memory, kHogBytes, MADV_HUGEPAGE);  // fewer page faults for the same size
    std::memset(memory, 0x5a, kHogBytes);
    ::prctl(PR_SET_NAME, std::getenv("TIDEMARK_TEST_HOG_NAME"), 0, 0, 0);
    if (::write(std::atoi(ready), "", 1) != 1)
        ::_exit(4);
    for (;;)
        ::pause();
}();

// Killed and reaped however the test ends.
struct Hogs {
    ~Hogs() {
        for (pid_t pid : pids)
            ::kill(pid, SIGKILL);
        for (pid_t pid : pids)
            ::waitpid(pid, nullptr, 0);
    }

    // False when the hog did not get ready within a minute.
    bool start(const fs::path& executable, const std::string& name) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        // Built before fork: the child only calls what is safe there.
        const std::string path = executable.string();
        std::string environment[] = {"TIDEMARK_TEST_HOG_NAME=" + name,
                                     "TIDEMARK_TEST_HOG_READY_FD=" + std::to_string(fds[1]),
                                     "ASAN_OPTIONS=detect_leaks=0"};
        char* envp[] = {environment[0].data(), environment[1].data(), environment[2].data(),
                        nullptr};
        char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
        const pid_t parent = ::getpid();
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent)
                ::_exit(5);
            ::fcntl(fds[1], F_SETFD, 0);
            ::execve(path.c_str(), argv, envp);
            ::_exit(6);
        }
        ::close(fds[1]);
        if (pid > 0)
            pids.push_back(pid);
        pollfd ready{fds[0], POLLIN, 0};
        char byte = 0;
        const bool ok = pid > 0 && ::poll(&ready, 1, 60000) == 1 && ::read(fds[0], &byte, 1) == 1;
        ::close(fds[0]);
        return ok;
    }

    std::vector<pid_t> pids;
};

TEST(ProbeCommandHostileTest, HostileNamesAndPathsAreReportedExactly) {
    const std::vector<test::HostileProcess> hostile = test::hostileProcesses();
    std::stringstream meminfo;
    meminfo << std::ifstream("/proc/meminfo").rdbuf();
    const auto availableKiB = parseMeminfo(meminfo.str()).memAvailableKiB;
    if (!availableKiB || *availableKiB * 1024 < hostile.size() * kHogBytes + (4ull << 30))
        GTEST_SKIP() << "not enough memory for " << hostile.size() << " processes of 1.5 GiB";

    test::TempDir dir;
    Hogs hogs;
    for (const test::HostileProcess& p : hostile) {
        fs::path executable = dir.path() / p.fileName;
        if (p.inBundle)
            executable = executable / "Contents" / "MacOS" / "hog";
        fs::create_directories(executable.parent_path());
        fs::copy_file(fs::read_symlink("/proc/self/exe"), executable);
        ASSERT_TRUE(hogs.start(executable, p.processName)) << p.reportedName;
    }

    // Each read back exactly, once, on its own. How the text form keeps such
    // names on one line is ProbeCommandTest's.
    std::ostringstream out;
    ASSERT_EQ(runProbeCommand({"tidemark", "--probe", "--json"}, out), 0);
    const std::string encoded = out.str();
    const nlohmann::json apps = nlohmann::json::parse(encoded).at("topApplications");
    for (const test::HostileProcess& p : hostile) {
        EXPECT_EQ(std::count_if(apps.begin(), apps.end(),
                                [&](const auto& app) {
                                    return app.at("name") == p.reportedName &&
                                           app.at("processCount") == 1 &&
                                           !app.contains("bundleIdentifier");
                                }),
                  1)
            << p.reportedName << " in\n"
            << encoded;
    }
}

}  // namespace
}  // namespace tidemark
