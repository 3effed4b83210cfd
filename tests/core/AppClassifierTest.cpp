#include "core/AppClassifier.h"

#include <gtest/gtest.h>

#include <map>

namespace tidemark {
namespace {

// Bundles by path; a path not in the table does not open.
class FakeBundles final : public BundleReader {
public:
    std::map<std::string, BundleInfo> bundles;
    std::optional<BundleInfo> open(const std::string& path) const override {
        auto it = bundles.find(path);
        return it == bundles.end() ? std::nullopt : std::optional(it->second);
    }
};

ProcessSample process(std::string name, std::optional<std::string> path, std::uint64_t bytes) {
    return ProcessSample{1, std::move(name), std::move(path), bytes};
}

class AppClassifierTest : public ::testing::Test {
protected:
    std::vector<AppMemory> aggregate(const std::vector<ProcessSample>& samples) {
        return AppClassifier::aggregate(samples, bundles);
    }
    FakeBundles bundles;
};

TEST_F(AppClassifierTest, HelpersCountTowardsTheOutermostBundle) {
    const std::string chrome = "/Applications/Google Chrome.app";
    bundles.bundles[chrome] = BundleInfo{"com.google.Chrome", "Chrome Display", "Chrome"};
    const auto apps = aggregate({
        process("Google Chrome", chrome + "/Contents/MacOS/Google Chrome", 100),
        process("Google Chrome Helper (Renderer)",
                chrome + "/Contents/Frameworks/Google Chrome Framework.framework/Helpers/"
                         "Google Chrome Helper (Renderer).app/Contents/MacOS/Helper",
                50),
        // A bundle that does not open: named after it, keyed by its path.
        process("Chrome", "/Users/me/Applications/./x/../Google Chrome.APP/Contents/MacOS/c", 1),
    });
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps[0], (AppMemory{"Google Chrome", "com.google.Chrome", 150, 2}));
    EXPECT_EQ(apps[1], (AppMemory{"Google Chrome", std::nullopt, 1, 1}));

    // A second copy elsewhere with the same identifier joins the group.
    bundles.bundles["/Users/me/Applications/Google Chrome.APP"] = bundles.bundles[chrome];
    EXPECT_EQ(aggregate({process("a", chrome + "/Contents/MacOS/a", 1),
                         process("b", "/Users/me/Applications/Google Chrome.APP/b", 1)})
                  .size(),
              1u);
}

TEST_F(AppClassifierTest, BundleNames) {
    bundles.bundles["/A/Editor.app"] = BundleInfo{"org.editor", "Editor Pro", "Editor"};
    bundles.bundles["/A/Named.app"] = BundleInfo{std::nullopt, std::nullopt, "Named Bundle"};
    bundles.bundles["/A/Bare.app"] = BundleInfo{};
    bundles.bundles["/B/Bare.app"] = BundleInfo{};
    const auto apps = aggregate({
        process("e", "/A/Editor.app/Contents/MacOS/e", 50),
        process("n", "/A/Named.app/Contents/MacOS/n", 40),
        process("b", "/A/Bare.app/Contents/MacOS/b", 30),
        process("b", "/B/Bare.app/Contents/MacOS/b", 20),
    });
    ASSERT_EQ(apps.size(), 4u);
    EXPECT_EQ(apps[0], (AppMemory{"Editor Pro", "org.editor", 50, 1}));
    EXPECT_EQ(apps[1], (AppMemory{"Named Bundle", std::nullopt, 40, 1}));
    // Two bundles without identifiers at different paths stay apart.
    EXPECT_EQ(apps[2], (AppMemory{"Bare", std::nullopt, 30, 1}));
    EXPECT_EQ(apps[3], (AppMemory{"Bare", std::nullopt, 20, 1}));
}

TEST_F(AppClassifierTest, ProcessesOutsideBundles) {
    const auto apps = aggregate({
        process("WindowServer", std::nullopt, 10),
        process("WINDOWSERVER", std::nullopt, 10),
        process("firefox-esr", "/usr/lib/firefox-esr/firefox-esr", 100),
        process("Web Content", "/usr/lib/firefox-esr/firefox-esr", 100),
        process("pid 7", std::nullopt, 5),
        process("", std::nullopt, 3),
        process("", "/usr/bin/anon", 1),
    });
    ASSERT_EQ(apps.size(), 5u);
    EXPECT_EQ(apps[0], (AppMemory{"firefox-esr", std::nullopt, 200, 2}));
    EXPECT_EQ(apps[1], (AppMemory{"WindowServer", std::nullopt, 20, 2}));
    EXPECT_EQ(apps[2], (AppMemory{"pid 7", std::nullopt, 5, 1}));
    EXPECT_EQ(apps[3], (AppMemory{"Unknown", std::nullopt, 3, 1}));
    EXPECT_EQ(apps[4], (AppMemory{"Unknown", std::nullopt, 1, 1}));
    // Same display name, different keys: "process:Unknown" and the path.
    EXPECT_EQ(AppClassifier::classify(process("", std::nullopt, 0), bundles).key,
              "process:Unknown");
    EXPECT_EQ(AppClassifier::classify(process("WINDOWSERVER", std::nullopt, 0), bundles).key,
              "process:WindowServer");

    EXPECT_TRUE(aggregate({}).empty());
}

TEST_F(AppClassifierTest, EqualSizesKeepFirstAppearanceAndSumsWrap) {
    const auto apps = aggregate({
        process("b", std::nullopt, 5),
        process("a", std::nullopt, 5),
        process("c", std::nullopt, 6),
        process("big", "/x", UINT64_MAX),
        process("big", "/x", 2),
    });
    ASSERT_EQ(apps.size(), 4u);
    EXPECT_EQ(apps[0].name, "c");
    EXPECT_EQ(apps[1].name, "b");
    EXPECT_EQ(apps[2].name, "a");
    EXPECT_EQ(apps[3], (AppMemory{"big", std::nullopt, 1, 2}));
}

TEST(AppClassifierPathTest, NormalisationAndBundlePath) {
    EXPECT_EQ(AppClassifier::normalizePath("/a/./b/../c"), "/a/c");
    EXPECT_EQ(AppClassifier::normalizePath("//a//b/"), "/a/b");
    EXPECT_EQ(AppClassifier::normalizePath("/../x"), "/x");

    EXPECT_EQ(AppClassifier::outermostBundlePath("/opt/Tool.APP/Contents/Inner.app/x"),
              "/opt/Tool.APP");
    EXPECT_EQ(AppClassifier::outermostBundlePath("/opt/Gone.app/../bin/tool"), std::nullopt);
    EXPECT_EQ(AppClassifier::outermostBundlePath("/srv/x.app"), "/srv/x.app");
}

}  // namespace
}  // namespace tidemark
