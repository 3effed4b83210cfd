// Broken, full and hostile storage under the real program: whatever happens
// to the incident file, the ticks and their notifications stay the same and
// no earlier history is lost.

#include <fcntl.h>
#include <linux/capability.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <functional>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "history/IncidentStore.h"

namespace tidemark {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

const std::string kEpisode = std::string(TIDEMARK_TEST_DATA) + "/replay/episode.jsonl";
constexpr Timestamp kFirstSample = 1'765'000'000;  // the episode's first line
const std::string kAside = ".unreadable-20251206T054640Z";
// Two days before the episode: history the runs below must never lose.
const std::string kEarlierHistory =
    R"([{"highestLevel": "critical", "id": "0F8FAD5B-D9CB-469F-A165-70867728950E", )"
    R"("recoveredAt": "2025-12-04T08:10:00Z", "startedAt": "2025-12-04T08:00:00Z", )"
    R"("topApplications": []}])";

struct ProgramRun {
    int status = -1;
    std::string out, err;
};

// The program runs in a child, so that limits, umask and dropped privileges
// stay there. Standard output and error are pipes: a file-size limit does not
// apply to them.
ProgramRun runReplay(const fs::path& incidents, const std::function<void()>& prepareChild = {}) {
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        if (prepareChild)
            prepareChild();
        std::string program = TIDEMARK_BINARY, replay = "--replay", input = kEpisode,
                    option = "--incidents", path = incidents.string();
        char* argv[] = {program.data(), replay.data(), input.data(),
                        option.data(),  path.data(),   nullptr};
        ::execv(argv[0], argv);
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    ProgramRun run;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    for (int open = 2; open > 0 && ::poll(fds, 2, -1) > 0;) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[4096];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(got));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

// A full disk: every write beyond a few bytes fails with EFBIG.
void fillTheDisk() {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit small{64, 64};
    ::setrlimit(RLIMIT_FSIZE, &small);
}

// Root passes every permission check. Without these capabilities in the
// bounding set, the program started next does not get them back.
void withoutPermissionOverride() {
    ::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0);
    ::prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0);
}

fs::perms permissionsOf(const fs::path& p) {
    return fs::symlink_status(p).permissions();
}

std::vector<std::string> entriesOf(const fs::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class ReplayCommandStorageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(fs::exists(TIDEMARK_BINARY)) << "build the tidemark target first";
        TempDir scratch;
        ProgramRun clean = runReplay(scratch / "incidents.json");
        ASSERT_EQ(clean.status, 0) << clean.err;
        ASSERT_NE(clean.out.find(R"("alert":"critical")"), std::string::npos);
        s_clean = new ProgramRun(std::move(clean));
    }
    void SetUp() override { ASSERT_TRUE(s_clean) << "the healthy run failed"; }
    static void TearDownTestSuite() { delete s_clean; }

    // The same decisions and notifications as with healthy storage, and no
    // complaint or crash report.
    static void expectMonitoringUnaffected(const ProgramRun& run) {
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, s_clean->out);
    }

    // The episode's one incident, as the healthy run writes it.
    static void expectEpisodeWritten(const fs::path& file) {
        std::vector<IncidentRecord> records;
        ASSERT_NO_THROW(records = decodeIncidentFile(TempDir::readFile(file)));
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].highestLevel, RiskLevel::critical);
        EXPECT_TRUE(records[0].recoveredAt);
        EXPECT_EQ(permissionsOf(file), fs::perms::owner_read | fs::perms::owner_write);
    }

    static ProgramRun* s_clean;
    TempDir dir;
    LocalCalendar calendar;
};

ProgramRun* ReplayCommandStorageTest::s_clean = nullptr;

TEST_F(ReplayCommandStorageTest, UnreadableHistoryIsReportedThenMovedAsideWhileMonitoringGoesOn) {
    const std::string valid = TempDir::readFile(TIDEMARK_TEST_DATA "/replay/episode.jsonl");
    const std::vector<std::pair<std::string, std::string>> blobs = {
        {"truncated", kEarlierHistory.substr(0, kEarlierHistory.size() / 2)},
        {"binary", {'\x7f', 'E', 'L', 'F', '\0', '\xff', '\xfe', '[', '{', '"', '\x01'}},
        {"not a history", valid},
        {"huge", ""},
        {"directory", ""},
    };
    for (const auto& [name, content] : blobs) {
        SCOPED_TRACE(name);
        const fs::path file = dir / name / "tidemark" / "incidents.json";
        fs::create_directories(file.parent_path());
        if (name == "huge") {
            std::ofstream(file.string()) << "[";
            fs::resize_file(file, IncidentStore::kMaximumFileBytes + 1);
        } else if (name == "directory") {
            TempDir::writeFile(file / "keep.txt", "kept");
        } else {
            TempDir::writeFile(file, content);
        }

        {
            IncidentStore store(file, calendar, kFirstSample);
            ASSERT_TRUE(store.lastSaveErrorDescription());
            EXPECT_EQ(store.lastSaveErrorDescription()->rfind("最近记录无法读取：", 0), 0u)
                << *store.lastSaveErrorDescription();
        }
        expectMonitoringUnaffected(runReplay(file));
        expectEpisodeWritten(file);

        const fs::path aside = file.string() + kAside;
        if (name == "huge") {
            EXPECT_EQ(fs::file_size(aside), IncidentStore::kMaximumFileBytes + 1);
        } else if (name == "directory") {
            EXPECT_EQ(TempDir::readFile(aside / "keep.txt"), "kept");
        } else {
            EXPECT_EQ(TempDir::readFile(aside), content);
        }
    }
}

TEST_F(ReplayCommandStorageTest, FailedWritesKeepEarlierHistoryAndLeaveNothingBehind) {
    struct Case {
        std::string name;
        std::string content;
        std::function<void()> prepareChild;
        std::function<void(const fs::path& directory)> prepareDirectory;
    };
    const std::vector<Case> cases = {
        {"full disk", kEarlierHistory, fillTheDisk, {}},
        {"full disk, unreadable file waiting to be moved aside", "[{", fillTheDisk, {}},
        {"read-only directory", kEarlierHistory, withoutPermissionOverride,
         [](const fs::path& d) {
             fs::permissions(d, fs::perms::owner_read | fs::perms::owner_exec);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = dir / c.name / "tidemark" / "incidents.json";
        TempDir::writeFile(file, c.content);
        if (c.prepareDirectory)
            c.prepareDirectory(file.parent_path());

        expectMonitoringUnaffected(runReplay(file, c.prepareChild));

        fs::permissions(file.parent_path(), fs::perms::owner_all);
        EXPECT_EQ(TempDir::readFile(file), c.content);
        EXPECT_EQ(entriesOf(file.parent_path()), std::vector<std::string>{"incidents.json"})
            << "no temporary file and nothing moved aside";
    }

    // Someone's file where the data directory belongs stays as it is.
    const fs::path blocked = dir / "blocked" / "tidemark";
    TempDir::writeFile(blocked, "not a directory");
    expectMonitoringUnaffected(runReplay(blocked / "incidents.json"));
    EXPECT_EQ(TempDir::readFile(blocked), "not a directory");
}

TEST_F(ReplayCommandStorageTest, CreatesPrivateDirectoriesAndFollowsASymlinkedDataDirectory) {
    const fs::path file = dir / "home" / "share" / "tidemark" / "incidents.json";
    expectMonitoringUnaffected(runReplay(file, [] { ::umask(0); }));
    expectEpisodeWritten(file);
    EXPECT_EQ(permissionsOf(file.parent_path()), fs::perms::owner_all);
    EXPECT_EQ(permissionsOf(file.parent_path().parent_path()), fs::perms::owner_all);

    // A data directory kept elsewhere through a link: history written there
    // and read back through the link; the link stays a link.
    fs::create_directories(dir / "elsewhere");
    TempDir::writeFile(dir / "elsewhere" / "incidents.json", kEarlierHistory);
    fs::create_directory_symlink(dir / "elsewhere", dir / "linked");
    expectMonitoringUnaffected(runReplay(dir / "linked" / "incidents.json"));
    EXPECT_TRUE(fs::is_symlink(dir / "linked"));
    std::vector<IncidentRecord> records =
        decodeIncidentFile(TempDir::readFile(dir / "elsewhere" / "incidents.json"));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1], decodeIncidentFile(kEarlierHistory)[0]);

    // A link to nowhere: nothing is created behind it, monitoring goes on.
    fs::create_directory_symlink(dir / "gone", dir / "dangling");
    expectMonitoringUnaffected(runReplay(dir / "dangling" / "incidents.json"));
    EXPECT_FALSE(fs::exists(dir / "gone"));
}

}  // namespace
}  // namespace tidemark
