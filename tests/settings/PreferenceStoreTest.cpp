#include "settings/PreferenceStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "ScopedEnvironment.h"
#include "TempDir.h"

namespace tidemark {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

struct PreferenceStoreTest : ::testing::Test {
    TempDir home;
    test::ScopedEnvironment config{"XDG_CONFIG_HOME", home.path().string()};
    fs::path file = home / "tidemark" / "preferences.json";

    static fs::perms modeOf(const fs::path& path) { return fs::status(path).permissions(); }
    std::vector<fs::path> siblings() const {
        std::vector<fs::path> found;
        for (const auto& item : fs::directory_iterator(file.parent_path()))
            if (item.path() != file)
                found.push_back(item.path());
        return found;
    }
};

TEST_F(PreferenceStoreTest, ValuesSurviveARestartPrivatelyAndForeignKeysAreKept) {
    ASSERT_EQ(FilePreferenceStore::defaultPath(), file);
    FilePreferenceStore().setBool("k", true);
    EXPECT_EQ(modeOf(file.parent_path()), fs::perms::owner_all);
    TempDir::writeFile(file, R"({"notificationsMuted": "yes", "later.v2": [1, 2]})");
    {
        FilePreferenceStore store;
        EXPECT_EQ(store.boolValue("notificationsMuted"), std::nullopt);
        store.setBool("notificationsMuted", true);
        EXPECT_EQ(store.lastWriteError(), std::nullopt);
    }
    FilePreferenceStore reopened;
    EXPECT_EQ(reopened.boolValue("notificationsMuted"), true);
    EXPECT_EQ(reopened.boolValue("absent"), std::nullopt);
    EXPECT_NE(TempDir::readFile(file).find("\"later.v2\""), std::string::npos);
    EXPECT_EQ(modeOf(file), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(siblings().empty());  // no temporary files left behind
}

TEST_F(PreferenceStoreTest, AnUnreadableFileReadsEmptyAndIsMovedAsideBeforeWriting) {
    for (const bool isDirectory : {false, true}) {
        SCOPED_TRACE(isDirectory);
        fs::remove_all(file.parent_path());
        if (isDirectory)
            fs::create_directories(file / "x");
        else
            TempDir::writeFile(file, "{\"notificationsMuted\": tru");
        FilePreferenceStore store;
        EXPECT_EQ(store.boolValue("notificationsMuted"), std::nullopt);
        EXPECT_TRUE(siblings().empty());

        store.setBool("notificationsMuted", false);
        const auto aside = siblings();
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_TRUE(aside[0].filename().string().starts_with("preferences.json.unreadable-"));
        EXPECT_TRUE(isDirectory ? fs::exists(aside[0] / "x")
                                : TempDir::readFile(aside[0]) == "{\"notificationsMuted\": tru");
        EXPECT_EQ(FilePreferenceStore().boolValue("notificationsMuted"), false);
    }
}

TEST_F(PreferenceStoreTest, AFailedWriteIsReportedAndTheValueKeptForThisRun) {
    TempDir::writeFile(home / "tidemark", "not a directory");
    FilePreferenceStore store;
    store.setBool("localMonitoringConsent.v1", true);
    ASSERT_TRUE(store.lastWriteError().has_value());
    EXPECT_NE(store.lastWriteError()->find("preferences.json"), std::string::npos);
    EXPECT_EQ(store.boolValue("localMonitoringConsent.v1"), true);
    EXPECT_EQ(TempDir::readFile(home / "tidemark"), "not a directory");
}

}  // namespace
}  // namespace tidemark
