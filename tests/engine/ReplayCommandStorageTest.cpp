// Broken, full and hostile storage under the real program: whatever happens
// to the incident file, the ticks and their notifications stay the same and
// no earlier history is lost.

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <functional>

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "TempDir.h"
#include "history/IncidentStore.h"

namespace tidemark {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// Two days before the episode: history the runs below must never lose.
const std::string kEarlierHistory =
    R"([{"highestLevel": "critical", "id": "0F8FAD5B-D9CB-469F-A165-70867728950E", )"
    R"("recoveredAt": "2025-12-04T08:10:00Z", "startedAt": "2025-12-04T08:00:00Z", )"
    R"("topApplications": []}])";

struct ProgramRun {
    int status = -1;
    std::string output;  // standard output and error, as they came
};

// The program runs in a child, so that limits, umask and dropped privileges
// stay there. Its output goes to a pipe: a file-size limit does not apply to it.
ProgramRun runReplay(const fs::path& incidents, const std::function<void()>& prepareChild = {}) {
    test::ChildProcess program([&](int output) {
        ::dup2(output, 1);
        ::dup2(output, 2);
        if (prepareChild)
            prepareChild();
        ::execl(TIDEMARK_BINARY, TIDEMARK_BINARY, "--replay",
                TIDEMARK_TEST_DATA "/replay/episode.jsonl", "--incidents", incidents.c_str(),
                nullptr);
    });
    ProgramRun run;
    run.output = program.readAll();
    run.status = program.wait();
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
        ASSERT_EQ(s_clean.status, 0) << s_clean.output;
        ASSERT_NE(s_clean.output.find(R"("alert":"critical")"), std::string::npos);
    }
    void SetUp() override { ASSERT_EQ(s_clean.status, 0) << "the healthy run failed"; }

    // The same decisions and notifications as with healthy storage, and no
    // complaint or crash report (the healthy run has none: ReplayCommandTest).
    static void expectMonitoringUnaffected(const ProgramRun& run) {
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.output, s_clean.output);
    }

    static inline ProgramRun s_clean;
    TempDir dir;
};

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
}

TEST_F(ReplayCommandStorageTest, CreatesPrivateDirectoriesAndFollowsASymlinkedDataDirectory) {
    const fs::path file = dir / "home" / "share" / "tidemark" / "incidents.json";
    expectMonitoringUnaffected(runReplay(file, [] { ::umask(0); }));
    std::vector<IncidentRecord> records;
    ASSERT_NO_THROW(records = decodeIncidentFile(TempDir::readFile(file)));
    EXPECT_EQ(records.size(), 1u) << "the episode's one incident";
    EXPECT_EQ(permissionsOf(file), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(permissionsOf(file.parent_path()), fs::perms::owner_all);
    EXPECT_EQ(permissionsOf(file.parent_path().parent_path()), fs::perms::owner_all);

    // History written through a link to a data directory kept elsewhere; the
    // link stays a link.
    TempDir::writeFile(dir / "elsewhere" / "incidents.json", kEarlierHistory);
    fs::create_directory_symlink(dir / "elsewhere", dir / "linked");
    expectMonitoringUnaffected(runReplay(dir / "linked" / "incidents.json"));
    EXPECT_TRUE(fs::is_symlink(dir / "linked"));
    records = decodeIncidentFile(TempDir::readFile(dir / "elsewhere" / "incidents.json"));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1], decodeIncidentFile(kEarlierHistory)[0]);

    // A link to nowhere: nothing is created behind it, monitoring goes on.
    fs::create_directory_symlink(dir / "gone", dir / "dangling");
    expectMonitoringUnaffected(runReplay(dir / "dangling" / "incidents.json"));
    EXPECT_FALSE(fs::exists(dir / "gone"));
}

// No home, no data directory and no usable temporary directory: the history
// lives in memory and nothing is written where the program was started.
TEST_F(ReplayCommandStorageTest, WithoutAnyDirectoryNothingLandsInTheWorkingDirectory) {
    fs::create_directory(dir / "relative");
    for (const std::string temporary : {"TMPDIR=/nonexistent", "TMPDIR=relative"}) {
        SCOPED_TRACE(temporary);
        const char* environment[] = {"HOME=", "XDG_DATA_HOME=", temporary.c_str(), nullptr};
        test::ChildProcess program([&](int output) {
            ::dup2(output, 1);
            ::dup2(output, 2);
            if (::chdir(dir.path().c_str()) == 0)
                ::execle(TIDEMARK_BINARY, TIDEMARK_BINARY, "--replay",
                         TIDEMARK_TEST_DATA "/replay/episode.jsonl", nullptr, environment);
        });
        ProgramRun run;
        run.output = program.readAll();
        run.status = program.wait();
        expectMonitoringUnaffected(run);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
        EXPECT_TRUE(fs::is_empty(dir / "relative"));
    }
}

}  // namespace
}  // namespace tidemark
