#include "history/IncidentStore.h"

#include <poll.h>

#include <gtest/gtest.h>

#include "ChildProcess.h"
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
    size_t longestList = 0;
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        test::ChildProcess writer([&](int progress) { writeForever(file, progress); });
        ASSERT_GT(writer.pid(), 0);
        // Let some saves complete, then strike the moment the file changes,
        // when a writer that is not atomic would have it half written.
        char byte;
        for (int saves = round % 4; saves > 0 && ::read(writer.pipeFd(), &byte, 1) == 1; --saves) {
        }
        const auto before = test::fileIdentity(file);
        pollfd saved{writer.pipeFd(), POLLIN, 0};
        while (test::fileIdentity(file) == before && ::poll(&saved, 1, 0) == 0) {
        }
        writer.kill();
        ASSERT_EQ(writer.wait(), 128 + SIGKILL) << "the writer stopped by itself";
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
