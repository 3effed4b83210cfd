#include "history/IncidentStore.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <random>

#include <gtest/gtest.h>

#include "FileIdentity.h"
#include "ScopedEnvironment.h"
#include "TempDir.h"

namespace tidemark {
namespace {

namespace fs = std::filesystem;

constexpr Timestamp kStart = 1'765'000'000;

std::vector<AppMemory> applicationsFor(Timestamp at) {
    const std::string stem = std::to_string(static_cast<long long>(at));
    return {AppMemory{stem + " first", std::nullopt, 3u << 30, 12},
            AppMemory{stem + " second", "org.example.b", 2u << 30, 4}};
}

// Continues the history in the file: an incident a minute after the newest
// one, recovered half a minute later; one byte on `progress` per save.
[[noreturn]] void writeForever(const fs::path& file, int progress) {
    LocalCalendar calendar;
    IncidentStore store(file, calendar, kStart);
    for (;;) {
        if (store.records().size() >= 40)
            store.clear();
        const Timestamp at = store.records().empty() ? kStart : store.records()[0].startedAt + 60;
        store.recordAlert(RiskLevel::warning, applicationsFor(at), at);
        (void)!::write(progress, "", 1);
        store.recordRecovery(at + 30);
        (void)!::write(progress, "", 1);
    }
}

// A list the writer can have produced: contiguous minutes, newest first, all
// closed but perhaps the newest, each with its own applications.
bool isWrittenList(const std::vector<IncidentRecord>& r) {
    for (size_t i = 0; i < r.size(); ++i) {
        if (r[i].topApplications != applicationsFor(r[i].startedAt) ||
            (i > 0 && (r[i].startedAt != r[i - 1].startedAt - 60 || r[i].isOpen())))
            return false;
    }
    return true;
}

TEST(IncidentStoreCrashTest, KilledWritersLeaveTheOldOrTheNewFileComplete) {
    // A killed process leaves what reached the page cache; flushing plays no
    // part, and on memory-backed storage it costs nothing.
    std::optional<test::ScopedEnvironment> memoryBacked;
    if (::access("/dev/shm", W_OK) == 0)
        memoryBacked.emplace("TMPDIR", "/dev/shm");
    test::TempDir dir;
    const fs::path file = dir / "tidemark" / "incidents.json";
    std::mt19937 random(20251206);
    size_t longestList = 0;
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeFds[0]);
            writeForever(file, pipeFds[1]);
        }
        ::close(pipeFds[1]);
        // Let some saves complete, then strike during the next one: after an
        // arbitrary pause, or the moment the file changes, when a writer that
        // is not atomic would have it half written.
        char byte;
        for (int saves = static_cast<int>(random() % 4);
             saves > 0 && ::read(pipeFds[0], &byte, 1) == 1; --saves) {
        }
        if (round % 2 == 0) {
            const timespec pause{0, static_cast<long>(random() % 1500) * 1000};
            ::nanosleep(&pause, nullptr);
        } else {
            const auto before = test::fileIdentity(file);
            pollfd saved{pipeFds[0], POLLIN, 0};
            while (test::fileIdentity(file) == before && ::poll(&saved, 1, 0) == 0) {
            }
        }
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ::close(pipeFds[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself";
        if (fs::exists(file)) {
            std::vector<IncidentRecord> records;
            ASSERT_NO_THROW(records = decodeIncidentFile(test::TempDir::readFile(file)));
            ASSERT_TRUE(isWrittenList(records));
            longestList = std::max(longestList, records.size());
        }
    }
    EXPECT_GT(longestList, 10u) << "the writer made progress across rounds";
}

}  // namespace
}  // namespace tidemark
