// Broken, full and hostile storage under the real program: whatever happens
// to the incident file, the ticks and their notifications stay the same and
// no earlier history is lost.

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <system_error>
#include <thread>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "history/IncidentStore.h"

namespace tidemark {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

constexpr Timestamp kFirstSample = 1'765'000'000;  // the episode's first line
// Two days before the episode: history the runs below must never lose.
const std::string kEarlierHistory =
    R"([{"highestLevel": "critical", "id": "0F8FAD5B-D9CB-469F-A165-70867728950E", )"
    R"("recoveredAt": "2025-12-04T08:10:00Z", "startedAt": "2025-12-04T08:00:00Z", )"
    R"("topApplications": []}])";

struct ProgramRun {
    int status = -1;
    std::string out, err;
};

std::string readAll(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(got));
    ::close(fd);
    return text;
}

// The program runs in a child, so that limits, umask and dropped privileges
// stay there. Standard output and error are pipes: a file-size limit does not
// apply to them.
ProgramRun runReplay(const fs::path& incidents, const std::function<void()>& prepareChild = {}) {
    int pipes[2][2];
    if (::pipe2(pipes[0], O_CLOEXEC) != 0 || ::pipe2(pipes[1], O_CLOEXEC) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipes[0][1], 1);
        ::dup2(pipes[1][1], 2);
        if (prepareChild)
            prepareChild();
        ::execl(TIDEMARK_BINARY, TIDEMARK_BINARY, "--replay",
                TIDEMARK_TEST_DATA "/replay/episode.jsonl", "--incidents", incidents.c_str(),
                nullptr);
        ::_exit(127);
    }
    for (int i : {0, 1})
        ::close(pipes[i][1]);
    // Both pipes are drained at once, so that a long report on one cannot stall the other.
    ProgramRun run;
    std::thread errors([&] { run.err = readAll(pipes[1][0]); });
    run.out = readAll(pipes[0][0]);
    errors.join();
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

class ReplayCommandStorageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(fs::exists(TIDEMARK_BINARY)) << "build the tidemark target first";
        TempDir scratch;
        s_clean = runReplay(scratch / "incidents.json");
        ASSERT_EQ(s_clean.status, 0) << s_clean.err;
        ASSERT_NE(s_clean.out.find(R"("alert":"critical")"), std::string::npos);
    }
    void SetUp() override { ASSERT_EQ(s_clean.status, 0) << "the healthy run failed"; }

    // The same decisions and notifications as with healthy storage, and no
    // complaint or crash report.
    static void expectMonitoringUnaffected(const ProgramRun& run) {
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, s_clean.out);
    }

    // The episode's one incident, as the healthy run writes it, in a private file.
    static void expectEpisodeWritten(const fs::path& file) {
        std::vector<IncidentRecord> records;
        ASSERT_NO_THROW(records = decodeIncidentFile(TempDir::readFile(file)));
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].highestLevel, RiskLevel::critical);
        EXPECT_TRUE(records[0].recoveredAt);
        EXPECT_EQ(permissionsOf(file), fs::perms::owner_read | fs::perms::owner_write);
    }

    static inline ProgramRun s_clean;
    TempDir dir;
    LocalCalendar calendar;
};

// Unreadable contents are IncidentStoreTest's; these two need the real file system.
TEST_F(ReplayCommandStorageTest, UnreadableHistoryIsReportedThenMovedAsideWhileMonitoringGoesOn) {
    for (const int error : {EFBIG, EISDIR}) {
        SCOPED_TRACE(error);
        const fs::path file = dir / std::to_string(error) / "tidemark" / "incidents.json";
        const fs::path aside = file.string() + ".unreadable-20251206T054640Z";
        if (error == EFBIG) {
            TempDir::writeFile(file, "[");
            fs::resize_file(file, IncidentStore::kMaximumFileBytes + 1);  // sparse
        } else {
            TempDir::writeFile(file / "keep.txt", "kept");
        }
        const std::string expected = "最近记录无法读取：" + std::generic_category().message(error);
        const auto description =
            IncidentStore(file, calendar, kFirstSample).lastSaveErrorDescription();
        EXPECT_EQ(description.value_or("").substr(0, expected.size()), expected);

        expectMonitoringUnaffected(runReplay(file));
        expectEpisodeWritten(file);
        if (error == EFBIG) {
            EXPECT_EQ(fs::file_size(aside), IncidentStore::kMaximumFileBytes + 1);
        } else {
            EXPECT_EQ(TempDir::readFile(aside / "keep.txt"), "kept");
        }
    }
}

TEST_F(ReplayCommandStorageTest, FailedWritesKeepEarlierHistoryAndLeaveNothingBehind) {
    struct Case {
        std::string name, content;
        std::function<void()> prepareChild;
        bool readOnly = false;
    };
    const Case cases[] = {
        {"full disk", kEarlierHistory, fillTheDisk},
        {"full disk, unreadable file waiting to be moved aside", "[{", fillTheDisk},
        {"read-only directory", kEarlierHistory, withoutPermissionOverride, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = dir / c.name / "tidemark" / "incidents.json";
        TempDir::writeFile(file, c.content);
        if (c.readOnly)
            fs::permissions(file.parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
        expectMonitoringUnaffected(runReplay(file, c.prepareChild));
        fs::permissions(file.parent_path(), fs::perms::owner_all);
        EXPECT_EQ(TempDir::readFile(file), c.content);
        EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), {}), 1)
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

    // History written through a link to a data directory kept elsewhere; the
    // link stays a link.
    TempDir::writeFile(dir / "elsewhere" / "incidents.json", kEarlierHistory);
    fs::create_directory_symlink(dir / "elsewhere", dir / "linked");
    expectMonitoringUnaffected(runReplay(dir / "linked" / "incidents.json"));
    EXPECT_TRUE(fs::is_symlink(dir / "linked"));
    const auto records =
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
