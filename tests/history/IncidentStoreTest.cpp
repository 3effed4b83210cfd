#include "history/IncidentStore.h"

#include <regex>
#include <system_error>

#include <gtest/gtest.h>

#include "FileIdentity.h"
#include "ScopedEnvironment.h"
#include "TempDir.h"
#include "core/Formatting.h"

namespace tidemark {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

constexpr Timestamp kStart = 1'765'000'000;  // 2025-12-06T05:46:40Z
constexpr Timestamp kDay = 86'400;

class UtcCalendar final : public Calendar {
public:
    std::optional<Timestamp> addingDays(Timestamp t, int days) const override {
        return t + days * kDay;
    }
};

AppMemory app(const std::string& name) {
    return AppMemory{name, "org.example." + name, 1u << 30, 2};
}

std::string recordJson(const std::string& startedAt, const std::string& extra = "") {
    return R"({"id": "0f8fad5b-d9cb-469f-a165-70867728950e", "highestLevel": "warning", )"
           R"("topApplications": [], "startedAt": ")" +
           startedAt + "\"" + extra + "}";
}

class IncidentStoreTest : public ::testing::Test {
protected:
    IncidentStore open(Timestamp now = kStart) { return IncidentStore(file, calendar, now); }

    TempDir dir;
    fs::path file = dir / "data" / "tidemark" / "incidents.json";
    UtcCalendar calendar;
};

TEST_F(IncidentStoreTest, OneEpisodeOpensEscalatesOnceAndWritesOnlyOnChange) {
    IncidentStore store = open();
    for (RiskLevel calm : {RiskLevel::safe, RiskLevel::watch}) {
        EXPECT_FALSE(store.needsAlertSnapshot(calm));
        store.recordAlert(calm, {app("A")}, kStart);
    }
    EXPECT_FALSE(fs::exists(file));

    EXPECT_TRUE(store.needsAlertSnapshot(RiskLevel::warning));
    store.recordAlert(RiskLevel::warning, {app("A"), app("B"), app("C"), app("D")}, kStart + 60);
    const auto opened = test::fileIdentity(file);
    EXPECT_FALSE(store.needsAlertSnapshot(RiskLevel::warning));
    store.recordAlert(RiskLevel::warning, {app("X")}, kStart + 120);
    EXPECT_EQ(test::fileIdentity(file), opened);

    EXPECT_TRUE(store.needsAlertSnapshot(RiskLevel::critical));
    store.recordAlert(RiskLevel::critical, {}, kStart + 180);
    EXPECT_EQ(store.records()[0].topApplications, (std::vector{app("A"), app("B"), app("C")}))
        << "cut to three; no new ranking, keep the first";
    const auto escalated = test::fileIdentity(file);
    EXPECT_NE(escalated, opened);
    store.recordAlert(RiskLevel::critical, {app("Y")}, kStart + 240);
    store.recordAlert(RiskLevel::warning, {app("Z")}, kStart + 300);
    EXPECT_EQ(test::fileIdentity(file), escalated);

    ASSERT_EQ(store.records().size(), 1u);
    EXPECT_EQ(store.records()[0].startedAt, kStart + 60);
    EXPECT_EQ(store.records()[0].highestLevel, RiskLevel::critical);
    EXPECT_TRUE(std::regex_match(
        store.records()[0].id, std::regex("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-"
                                          "[0-9A-F]{12}")));

    store.recordRecovery(kStart + 360);
    const auto recovered = test::fileIdentity(file);
    store.recordRecovery(kStart + 420);
    EXPECT_EQ(test::fileIdentity(file), recovered);
    EXPECT_EQ(store.records()[0].recoveredAt, kStart + 360);

    store.recordAlert(RiskLevel::critical, {app("E")}, kStart + 480);
    ASSERT_EQ(store.records().size(), 2u);
    EXPECT_EQ(store.records()[0].topApplications, std::vector{app("E")});
    EXPECT_EQ(decodeIncidentFile(TempDir::readFile(file)), store.records());
}

// A held store changes in memory at once and reaches the file when the last
// hold ends, or when the store goes away first.
TEST_F(IncidentStoreTest, HeldChangesAreWrittenWhenTheLastHoldEnds) {
    {
        IncidentStore store = open();
        store.holdSaves();
        store.holdSaves();
        store.recordAlert(RiskLevel::warning, {app("A")}, kStart);
        store.recordAlert(RiskLevel::critical, {app("B")}, kStart + 60);
        EXPECT_EQ(store.records().size(), 1u);
        store.releaseSaves();
        EXPECT_FALSE(fs::exists(file));
        store.releaseSaves();
        EXPECT_EQ(decodeIncidentFile(TempDir::readFile(file)), store.records());
        const auto written = test::fileIdentity(file);
        store.releaseSaves();  // one release too many holds nothing back later
        store.recordRecovery(kStart + 120);
        EXPECT_NE(test::fileIdentity(file), written);

        store.holdSaves();
        store.recordAlert(RiskLevel::warning, {app("C")}, kStart + 180);
    }
    const std::vector<IncidentRecord> records = open().records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].topApplications, std::vector{app("C")});
    EXPECT_EQ(records[1].recoveredAt, kStart + 120);
}

TEST_F(IncidentStoreTest, FileFormatRoundTripsAndOpenIncidentsAreInterruptedAtStartUp) {
    open(1'741'944'400)
        .recordAlert(RiskLevel::warning, {AppMemory{"终端", {}, 5, 1}}, 1'741'944'413.75);
    const std::string text = TempDir::readFile(file);
    EXPECT_NE(text.find(R"("startedAt": "2025-03-14T09:26:53Z")"), std::string::npos) << text;
    EXPECT_EQ(text.find("recoveredAt"), std::string::npos);

    IncidentStore reloaded = open(1'741'944'500);
    ASSERT_EQ(reloaded.records().size(), 1u);
    EXPECT_EQ(reloaded.records()[0].startedAt, 1'741'944'413);
    EXPECT_EQ(reloaded.records()[0].monitoringInterruptedAt, 1'741'944'500);
    EXPECT_EQ(decodeIncidentFile(TempDir::readFile(file)), reloaded.records());
}

TEST_F(IncidentStoreTest, LoadingSortsStablyPrunesAtSevenDaysAndLeavesClosedHistoryUnwritten) {
    auto closed = [](Timestamp at) { return ", \"recoveredAt\": \"" + formatIsoDate(at) + "\""; };
    std::string text =
        "[" + recordJson(formatIsoDate(kStart - 7 * kDay - 1), closed(kStart)) + "," +
        recordJson(formatIsoDate(kStart - 7 * kDay), closed(kStart)) + "," +
        R"({"id": "a0000000-0000-4000-8000-000000000001", "startedAt": "2025-12-06T01:00:00Z", )"
        R"("highestLevel": "critical", "topApplications": [], "recoveredAt": null, )"
        R"("monitoringInterruptedAt": "2025-12-06T02:00:00+01:00", "futureKey": [1]})";
    // Enough equal starts that an unstable sort would reorder them.
    for (int i = 0; i < 40; ++i) {
        text += "," + recordJson(i % 2 ? "2025-12-05T10:00:00Z" : "2025-12-05T11:00:00.000+01:00",
                                 closed(kStart + i));
    }
    TempDir::writeFile(file, text + "]");
    const auto before = test::fileIdentity(file);
    IncidentStore store = open();
    EXPECT_FALSE(store.lastSaveErrorDescription());
    ASSERT_EQ(store.records().size(), 42u);
    EXPECT_EQ(store.records()[0].id, "A0000000-0000-4000-8000-000000000001");
    EXPECT_EQ(store.records()[0].monitoringInterruptedAt, parseIsoDate("2025-12-06T01:00:00Z"));
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(store.records()[1 + i].recoveredAt, kStart + i) << "file order at equal starts";
    }
    EXPECT_EQ(store.records()[41].startedAt, kStart - 7 * kDay) << "exactly at the cut-off stays";
    EXPECT_EQ(test::fileIdentity(file), before);
}

TEST(LocalCalendarTest, SevenDaysKeepTheWallClockTimeAcrossDaylightSaving) {
    std::optional<Timestamp> cutoff;
    {
        test::ScopedEnvironment zone("TZ", "Europe/Berlin");
        ::tzset();
        // Summer time began on 2025-03-30: noon on 2 April goes back to noon
        // on 26 March, 167 hours earlier.
        cutoff = LocalCalendar().addingDays(*parseIsoDate("2025-04-02T10:00:00Z"), -7);
    }
    ::tzset();
    EXPECT_EQ(cutoff, parseIsoDate("2025-03-26T11:00:00Z"));
}

// Contents the parser refuses, a file too large to read and a directory:
// reported with the reason, left alone, then moved aside whole at the next save.
TEST_F(IncidentStoreTest, UnreadableFilesAreMovedAsideAtTheNextSaveNeverOverwritten) {
    std::string level = recordJson("2025-12-05T10:00:00Z");
    level.replace(level.find("warning"), 7, "severe");
    struct Case {
        std::string content, reason;
        bool inDirectory = false;  // `content` in a file inside a directory at the path
    };
    const Case cases[] = {
        {"[" + recordJson("2025-12-05 10:00:00") + "]", ""},
        {"[" + level + "]", ""},
        {R"([{"id": "0f8fad5b-d9cb-469f-a165-70867728950e", "startedAt": "2025-12-05T10:00:00Z", )"
         R"("highestLevel": "warning"}])",
         ""},
        {std::string("\0\xff[\x01\"", 5), ""},
        {std::string(IncidentStore::kMaximumFileBytes + 1, ' '),
         std::generic_category().message(EFBIG)},
        {"kept", std::generic_category().message(EISDIR), true},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const Case& c = cases[i];
        const auto held = [&](const fs::path& at) {
            return TempDir::readFile(c.inDirectory ? at / "keep.txt" : at);
        };
        TempDir::writeFile(c.inDirectory ? file / "keep.txt" : file, c.content);
        IncidentStore store = open();
        EXPECT_TRUE(store.records().empty());
        ASSERT_TRUE(store.lastSaveErrorDescription());
        EXPECT_EQ(store.lastSaveErrorDescription()->rfind("最近记录无法读取：" + c.reason, 0), 0u)
            << *store.lastSaveErrorDescription();
        EXPECT_EQ(held(file), c.content) << "left alone until a save";

        store.recordAlert(RiskLevel::warning, {}, kStart);
        EXPECT_FALSE(store.lastSaveErrorDescription());
        EXPECT_EQ(decodeIncidentFile(TempDir::readFile(file)), store.records());
        const std::string aside = file.string() + ".unreadable-20251206T054640Z" +
                                  (i == 0 ? "" : "." + std::to_string(i));
        EXPECT_EQ(held(aside), c.content);
        fs::remove(file);
    }
}

// Full disks, read-only directories, private modes and symlinks are
// exercised through the real program in ReplayCommandStorageTest.
TEST_F(IncidentStoreTest, AFailedSaveKeepsTheHistoryReportsTheSystemErrorAndRetries) {
    TempDir::writeFile(dir / "data", "not a directory");
    IncidentStore store = open();
    store.recordAlert(RiskLevel::warning, {app("A")}, kStart);
    EXPECT_EQ(store.lastSaveErrorDescription(), std::generic_category().message(ENOTDIR));
    EXPECT_EQ(store.records().size(), 1u);
    EXPECT_EQ(TempDir::readFile(dir / "data"), "not a directory") << "someone's file stays";

    fs::remove(dir / "data");
    store.recordRecovery(kStart + 60);
    EXPECT_FALSE(store.lastSaveErrorDescription());
    EXPECT_EQ(decodeIncidentFile(TempDir::readFile(file)), store.records());
    store.clear();
    EXPECT_EQ(TempDir::readFile(file), "[]\n");
}

TEST(IncidentStorePathTest, DefaultFileFollowsXdgDataHomeWhenAbsolute) {
    test::ScopedEnvironment data("XDG_DATA_HOME", "/srv/data");
    EXPECT_EQ(IncidentStore::defaultFilePath(), "/srv/data/tidemark/incidents.json");
    test::ScopedEnvironment relative("XDG_DATA_HOME", "relative/data");
    test::ScopedEnvironment home("HOME", "/home/someone");
    EXPECT_EQ(IncidentStore::defaultFilePath(),
              "/home/someone/.local/share/tidemark/incidents.json");
}

// Without a home or data directory the history is kept in memory, says so
// from the start, and no path relative to the working directory is used.
TEST(IncidentStorePathTest, WithoutADataDirectoryTheHistoryLivesInMemory) {
    test::ScopedEnvironment data("XDG_DATA_HOME", "relative/data");
    test::ScopedEnvironment home("HOME", "");
    const std::filesystem::path path = IncidentStore::defaultFilePath();
    EXPECT_TRUE(path.empty() || path.is_absolute()) << path;

    test::TempDir dir;
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const UtcCalendar calendar;
    IncidentStore store(std::filesystem::path(), calendar, kStart);
    EXPECT_EQ(store.lastSaveErrorDescription(), IncidentStore::kMemoryOnlyDescription);
    store.recordAlert(RiskLevel::warning, {app("A")}, kStart);
    store.recordRecovery(kStart + 60);
    ASSERT_EQ(store.records().size(), 1u);
    EXPECT_EQ(store.records()[0].recoveredAt, kStart + 60);
    store.clear();
    EXPECT_EQ(store.lastSaveErrorDescription(), IncidentStore::kMemoryOnlyDescription);
    std::filesystem::current_path(before);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace tidemark
