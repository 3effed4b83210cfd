#include "core/AppClassifier.h"

#include <gtest/gtest.h>

#include <map>

namespace tidemark {
namespace {

// Bundles by path; a path not in the table does not open.
struct FakeBundles final : BundleReader {
    std::map<std::string, BundleInfo> bundles;
    std::optional<BundleInfo> open(const std::string& path) const override {
        auto it = bundles.find(path);
        return it == bundles.end() ? std::nullopt : std::optional(it->second);
    }
};

ProcessSample process(std::string name, std::optional<std::string> path, std::uint64_t bytes) {
    return ProcessSample{1, std::move(name), std::move(path), bytes};
}

TEST(AppClassifierTest, BundlesGroupByOutermostBundleAndIdentifier) {
    const std::string editor = "/Applications/Editor.app";
    FakeBundles b;
    b.bundles[editor] = BundleInfo{"org.editor", "Editor Pro", "Editor"};
    b.bundles["/U/Editor.app"] = b.bundles[editor];  // a second copy joins the group
    b.bundles["/A/Named.app"] = BundleInfo{std::nullopt, std::nullopt, "Named"};
    b.bundles["/A/Bare.app"] = BundleInfo{};
    b.bundles["/B/Bare.app"] = BundleInfo{};
    // A known identifier names the bundle, whatever its own names say.
    b.bundles["/Applications/ChatGPT.app"] = BundleInfo{"com.openai.chat", "Chat Beta", "Chat"};
    const auto apps = AppClassifier::aggregate(
        {process("Editor", editor + "/Contents/MacOS/Editor", 100),
         process("Helper", editor + "/Contents/Frameworks/Helpers/H.app/Contents/MacOS/H", 50),
         process("e", "/U/Editor.app/e", 25),
         // A bundle that does not open: named after it, keyed by its path.
         process("c", "//U/Me/./x/../Google Chrome.APP/Contents/Inner.app/c", 1),
         process("n", "/A/Named.app/Contents/MacOS/n", 40),
         // Bundles without identifiers at different paths stay apart.
         process("b", "/A/Bare.app/Contents/MacOS/b", 30),
         process("b", "/B/Bare.app/Contents/MacOS/b", 20),
         process("h", "/Applications/ChatGPT.app/Contents/MacOS/h", 35)},
        b);
    const std::vector<AppMemory> expected = {
        {"Editor Pro", "org.editor", 175, 3, 175}, {"Named", std::nullopt, 40, 1, 40},
        {"ChatGPT", "com.openai.chat", 35, 1, 35}, {"Bare", std::nullopt, 30, 1, 30},
        {"Bare", std::nullopt, 20, 1, 20},         {"Google Chrome", std::nullopt, 1, 1, 1}};
    EXPECT_EQ(apps, expected);
}

TEST(AppClassifierTest, ProcessesOutsideBundlesEqualSizesAndWrappingSums) {
    FakeBundles none;
    const auto apps = AppClassifier::aggregate(
        {process("Xorg", std::nullopt, 10), process("XORG", std::nullopt, 10),
         process("firefox-esr", "/usr/lib/firefox-esr/firefox-esr", 100),
         process("Web Content", "/usr/lib/firefox-esr/firefox-esr", 100),
         process("b", std::nullopt, 5), process("a", std::nullopt, 5), process("", std::nullopt, 3),
         process("", "/usr/bin/anon", 3), process("big", "/x", UINT64_MAX), process("big", "/x", 2),
         // Normalised first: no bundle left on the path.
         process("tool", "/opt/Gone.app/../bin/tool", 2)},
        none);
    const std::vector<AppMemory> expected = {{"firefox-esr", std::nullopt, 200, 2, 200},
                                             {"Xorg", std::nullopt, 20, 2, 20},
                                             {"b", std::nullopt, 5, 1, 5},
                                             {"a", std::nullopt, 5, 1, 5},
                                             {"Unknown", std::nullopt, 3, 1, 3},
                                             {"Unknown", std::nullopt, 3, 1, 3},
                                             {"tool", std::nullopt, 2, 1, 2},
                                             {"big", std::nullopt, 1, 2, 1}};
    EXPECT_EQ(apps, expected);
}

}  // namespace
}  // namespace tidemark
