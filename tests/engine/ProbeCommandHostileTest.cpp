// Real processes with hostile names and paths at the top of the memory
// ranking, read through the real procfs by the probe command.

#include "engine/ProbeCommand.h"

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
#include <list>
#include <sstream>

#include "ChildProcess.h"
#include "HostileNames.h"
#include "TempDir.h"
#include "core/ProcParsers.h"

namespace tidemark {
namespace {

namespace fs = std::filesystem;

// Ranks above anything a desktop or a build runs here; four leave the machine
// most of its memory.
constexpr std::uint64_t kHogBytes = 3ull << 29;

// A copy of this binary started with TIDEMARK_TEST_HOG_NAME set becomes a hog
// before any test runs: it touches its memory, takes its name and stops until
// it is killed (or dies with its parent).
[[maybe_unused]] const bool s_hogMode = [] {
    const char* name = std::getenv("TIDEMARK_TEST_HOG_NAME");
    if (name == nullptr)
        return false;
    void* memory =
        ::mmap(nullptr, kHogBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        ::_exit(3);
    ::madvise(memory, kHogBytes, MADV_HUGEPAGE);  // fewer page faults for the same size
    std::memset(memory, 0x5a, kHogBytes);
    ::prctl(PR_SET_NAME, name, 0, 0, 0);
    ::raise(SIGSTOP);
    ::_exit(4);
}();

TEST(ProbeCommandHostileTest, HostileNamesAndPathsAreReportedExactly) {
    const std::vector<test::HostileProcess> hostile = test::hostileProcesses();
    const auto availableKiB =
        parseMeminfo(test::TempDir::readFile("/proc/meminfo")).memAvailableKiB;
    if (!availableKiB || *availableKiB * 1024 < hostile.size() * kHogBytes + (4ull << 30))
        GTEST_SKIP() << "not enough memory for " << hostile.size() << " processes of 1.5 GiB";

    test::TempDir dir;
    std::list<test::ChildProcess> hogs;
    for (const test::HostileProcess& p : hostile) {
        fs::path executable = dir.path() / p.fileName;
        if (p.inBundle)
            executable = executable / "Contents" / "MacOS" / "hog";
        fs::create_directories(executable.parent_path());
        fs::copy_file(fs::read_symlink("/proc/self/exe"), executable);
        // Built before fork: the child only calls what is safe there.
        std::string environment = "TIDEMARK_TEST_HOG_NAME=" + p.processName;
        char* envp[] = {environment.data(), nullptr};
        char* argv[] = {const_cast<char*>(executable.c_str()), nullptr};
        const pid_t parent = ::getpid();
        const test::ChildProcess& hog = hogs.emplace_back([&](int) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() == parent)
                ::execve(argv[0], argv, envp);
        });
        siginfo_t ready{};
        ASSERT_EQ(::waitid(P_PID, hog.pid(), &ready, WSTOPPED | WEXITED | WNOWAIT), 0);
        ASSERT_EQ(ready.si_code, CLD_STOPPED) << p.reportedName << " did not get ready";
    }

    // Each read back exactly, once, on its own. How the text form keeps such
    // names on one line is ProbeCommandTest's.
    std::ostringstream out;
    ASSERT_EQ(runProbeCommand(true, out), 0);
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
