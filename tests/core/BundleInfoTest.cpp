#include "core/BundleInfo.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TempDir.h"

namespace tidemark {
namespace {

using test::TempDir;

const char* const kChromePlist = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<!-- <key>CFBundleIdentifier</key><string>commented.out</string> -->
	<key>CFBundleDocumentTypes</key>
	<array><dict><key>CFBundleName</key><string>nested, not ours</string></dict></array>
	<key>CFBundleIdentifier</key>
	<string>com.google.Chrome</string>
	<key>CFBundleDisplayName</key>
	<integer>7</integer>
	<key>CFBundleName</key>
	<string>Chrome &amp; Co &#x6F6E;<![CDATA[ <raw> ]]></string>
	<key>LSUIElement</key><true/>
</dict>
</plist>
)";

TEST(BundleInfoTest, ParsesTheTopLevelKeys) {
    const BundleInfo info = parseInfoPlist(kChromePlist);
    EXPECT_EQ(info.identifier, "com.google.Chrome");
    // Not text, so not a name.
    EXPECT_EQ(info.displayName, std::nullopt);
    EXPECT_EQ(info.name, "Chrome & Co \xE6\xBD\xAE <raw> ");

    EXPECT_EQ(parseInfoPlist("<plist><dict><key>CFBundleName</key><string/></dict></plist>").name,
              "");
}

TEST(BundleInfoTest, MalformedInputGivesNothing) {
    const char* const inputs[] = {
        "",
        "not xml at all",
        "<plist><array><string>x</string></array></plist>",
        "<plist><dict><key>CFBundleIdentifier</key><string>a.b",
        "<plist><dict><key>CFBundleIdentifier</key><string>&bogus;</string></dict></plist>",
        "<plist><dict><key>CFBundleIdentifier</key><string>&#0;</string></dict></plist>",
        "<plist><dict><key>CFBundleIdentifier</key><string><b>x</b></string></dict></plist>",
    };
    for (const char* input : inputs) {
        EXPECT_EQ(parseInfoPlist(input), BundleInfo{}) << input;
    }
    // Deep nesting is skipped without recursion.
    std::string deep = "<plist><dict><key>CFBundleName</key><string>n</string><key>x</key>";
    for (int i = 0; i < 200000; ++i) {
        deep += "<array>";
    }
    EXPECT_EQ(parseInfoPlist(deep), BundleInfo{});
}

TEST(BundleInfoTest, ReaderOpensDirectoriesOnly) {
    TempDir dir;
    const InfoPlistBundleReader reader;
    TempDir::writeFile(dir / "Chrome.app/Contents/Info.plist", kChromePlist);
    EXPECT_EQ(reader.open((dir / "Chrome.app").string())->identifier, "com.google.Chrome");

    // A directory without a usable Info.plist still opens.
    std::filesystem::create_directories(dir / "Empty.app");
    EXPECT_EQ(reader.open((dir / "Empty.app").string()), BundleInfo{});
    std::filesystem::create_directories(dir / "Fifo.app/Contents");
    ASSERT_EQ(::mkfifo((dir / "Fifo.app/Contents/Info.plist").c_str(), 0600), 0);
    EXPECT_EQ(reader.open((dir / "Fifo.app").string()), BundleInfo{});
    TempDir::writeFile(dir / "Huge.app/Contents/Info.plist",
                       std::string(2 * 1024 * 1024, ' ') + kChromePlist);
    EXPECT_EQ(reader.open((dir / "Huge.app").string()), BundleInfo{});

    TempDir::writeFile(dir / "File.app", "");
    EXPECT_EQ(reader.open((dir / "File.app").string()), std::nullopt);
    EXPECT_EQ(reader.open((dir / "Missing.app").string()), std::nullopt);
}

}  // namespace
}  // namespace tidemark
