// Real processes with hostile names and paths at the top of the memory
// ranking, read through the real procfs by the probe command.

#include "app/ProbeCommand.h"

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

constexpr std::uint64_t kGiB = 1ull << 30;
// Enough to rank above anything a desktop or a build runs here, and small
// enough that four of them leave the machine most of its memory.
constexpr std::uint64_t kHogBytes = 3 * kGiB / 2;

constexpr const char* kHogBytesVariable = "TIDEMARK_TEST_HOG_BYTES";
constexpr const char* kHogNameVariable = "TIDEMARK_TEST_HOG_NAME";
constexpr const char* kHogReadyVariable = "TIDEMARK_TEST_HOG_READY_FD";

// A copy of this test binary started with the variables above becomes a hog
// before any test runs: it touches its memory, takes its name, reports ready
// and waits to be killed (or dies with its parent).
[[maybe_unused]] const bool s_hogMode = [] {
    const char* bytes = std::getenv(kHogBytesVariable);
    if (bytes == nullptr) {
        return false;
    }
    const std::size_t size = std::strtoull(bytes, nullptr, 10);
    void* memory =
        ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
        ::_exit(3);
    }
    // Huge pages where the kernel allows them: the same resident size for a
    // fraction of the page faults.
    ::madvise(memory, size, MADV_HUGEPAGE);
    std::memset(memory, 0x5a, size);
    ::prctl(PR_SET_NAME, std::getenv(kHogNameVariable), 0, 0, 0);
    const int ready = std::atoi(std::getenv(kHogReadyVariable));
    const char byte = 1;
    if (::write(ready, &byte, 1) != 1) {
        ::_exit(4);
    }
    ::close(ready);
    for (;;) {
        ::pause();
    }
}();

std::string selfPath() {
    return fs::read_symlink("/proc/self/exe").string();
}

std::optional<std::uint64_t> availableBytes() {
    std::ifstream in("/proc/meminfo");
    std::stringstream text;
    text << in.rdbuf();
    const MemInfo info = parseMeminfo(text.str());
    if (!info.memAvailableKiB) {
        return std::nullopt;
    }
    return *info.memAvailableKiB * 1024;
}

// The hogs of one test; killed and reaped however the test ends.
class Hogs {
public:
    ~Hogs() {
        for (pid_t pid : m_pids) {
            ::kill(pid, SIGKILL);
        }
        for (pid_t pid : m_pids) {
            ::waitpid(pid, nullptr, 0);
        }
    }

    // Starts `executable` as a hog named `name`; false when it did not get
    // ready within a minute.
    bool start(const fs::path& executable, const std::string& name) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            return false;
        }
        // Built before fork: the child only calls what is safe there.
        const std::string path = executable.string();
        std::vector<std::string> environment = {
            std::string(kHogBytesVariable) + "=" + std::to_string(kHogBytes),
            std::string(kHogNameVariable) + "=" + name,
            std::string(kHogReadyVariable) + "=" + std::to_string(fds[1]),
            "ASAN_OPTIONS=detect_leaks=0",
        };
        std::vector<char*> envp;
        for (std::string& entry : environment) {
            envp.push_back(entry.data());
        }
        envp.push_back(nullptr);
        char* argv[] = {const_cast<char*>(path.c_str()), nullptr};

        const pid_t parent = ::getpid();
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent) {
                ::_exit(5);
            }
            ::fcntl(fds[1], F_SETFD, 0);
            ::execve(path.c_str(), argv, envp.data());
            ::_exit(6);
        }
        ::close(fds[1]);
        if (pid < 0) {
            ::close(fds[0]);
            return false;
        }
        m_pids.push_back(pid);
        pollfd ready{fds[0], POLLIN, 0};
        char byte = 0;
        const bool ok = ::poll(&ready, 1, 60000) == 1 && ::read(fds[0], &byte, 1) == 1;
        ::close(fds[0]);
        return ok;
    }

private:
    std::vector<pid_t> m_pids;
};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

std::string probe(std::vector<std::string> args) {
    std::ostringstream out;
    EXPECT_EQ(runProbeCommand(args, out), 0);
    return out.str();
}

TEST(ProbeCommandHostileTest, HostileNamesStayOneLineAndReadAsText) {
    const std::vector<test::HostileProcess> hostile = test::hostileProcesses();
    const std::optional<std::uint64_t> available = availableBytes();
    if (!available || *available < hostile.size() * kHogBytes + 4 * kGiB) {
        GTEST_SKIP() << "not enough memory available for " << hostile.size()
                     << " processes of 1.5 GiB";
    }

    test::TempDir dir;
    Hogs hogs;
    for (const test::HostileProcess& p : hostile) {
        fs::path executable = dir.path() / p.fileName;
        if (p.inBundle) {
            executable = executable / "Contents" / "MacOS" / "hog";
        }
        fs::create_directories(executable.parent_path());
        fs::copy_file(selfPath(), executable);
        ASSERT_TRUE(hogs.start(executable, p.processName)) << p.reportedName;
    }

    const std::string text = probe({"tidemark", "--probe"});
    const std::string encoded = probe({"tidemark", "--probe", "--json"});

    const nlohmann::json snapshot = nlohmann::json::parse(encoded);
    const nlohmann::json& apps = snapshot.at("topApplications");
    ASSERT_LE(apps.size(), 5u);
    for (const test::HostileProcess& p : hostile) {
        const auto found = std::find_if(apps.begin(), apps.end(), [&](const nlohmann::json& app) {
            return app.at("name") == p.reportedName;
        });
        ASSERT_NE(found, apps.end()) << p.reportedName << " missing from\n" << encoded;
        EXPECT_GE(found->at("residentBytes").get<std::uint64_t>(), kHogBytes);
        EXPECT_EQ(found->at("processCount"), 1);
    }

    // One header and one line per application; every application line has
    // its four fields, and control characters in a name forge nothing.
    const std::vector<std::string> shown = lines(text);
    ASSERT_FALSE(shown.empty());
    EXPECT_TRUE(shown[0].starts_with("pressure=")) << text;
    // The capture behind the text is a second one: an application may have
    // moved in or out of the last place, never added a line.
    EXPECT_LE(shown.size(), 6u) << text;
    for (std::size_t i = 1; i < shown.size(); ++i) {
        EXPECT_EQ(std::count(shown[i].begin(), shown[i].end(), '\t'), 3) << shown[i];
        EXPECT_FALSE(shown[i].starts_with("pressure=")) << shown[i];
    }
    for (const test::HostileProcess& p : hostile) {
        std::string oneLine = p.reportedName;
        for (const char control : {'\t', '\n'}) {
            for (std::size_t at; (at = oneLine.find(control)) != std::string::npos;) {
                oneLine.replace(at, 1, test::kReplacementCharacter);
            }
        }
        EXPECT_EQ(std::count_if(shown.begin(), shown.end(),
                                [&](const std::string& line) {
                                    return line.starts_with(oneLine + "\t") &&
                                           line.ends_with("\t1 processes\t-");
                                }),
                  1)
            << oneLine << " in\n"
            << text;
    }
}

}  // namespace
}  // namespace tidemark
