#include "platform/darwin/BundleInfo.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TempDir.h"

namespace tidemark {
namespace {

using test::TempDir;

// Comments, nested dictionaries and non-text values must not supply a key.
const char* const kPlist = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict>
	<!-- <key>CFBundleIdentifier</key><string>commented.out</string> -->
	<key>CFBundleDocumentTypes</key>
	<array><dict><key>CFBundleName</key><string>nested, not ours</string></dict></array>
	<key>CFBundleIdentifier</key><string>com.google.Chrome</string>
	<key>CFBundleDisplayName</key><integer>7</integer>
	<key>CFBundleName</key><string>Chrome &amp; Co &#x6F6E;<![CDATA[ <raw> ]]></string>
</dict></plist>
)";

TEST(BundleInfoTest, ParsesTopLevelKeysAndRejectsMalformedInput) {
    EXPECT_EQ(parseInfoPlist(kPlist),
              (BundleInfo{"com.google.Chrome", std::nullopt, "Chrome & Co \xE6\xBD\xAE <raw> "}));
    for (const char* input : {
             "not xml at all",
             "<plist><dict><key>CFBundleIdentifier</key><string>a.b",
             "<plist><dict><key>CFBundleIdentifier</key><string>&bogus;</string></dict></plist>",
             "<plist><dict><key>CFBundleIdentifier</key><string>&#0;</string></dict></plist>",
             "<plist><dict><key>CFBundleIdentifier</key><string><b>x</b></string></dict></plist>",
         }) {
        EXPECT_EQ(parseInfoPlist(input), BundleInfo{}) << input;
    }
    // Deep nesting is skipped without recursion.
    std::string deep = "<plist><dict><key>CFBundleName</key><string>n</string><key>x</key>";
    for (int i = 0; i < 200000; ++i)
        deep += "<array>";
    EXPECT_EQ(parseInfoPlist(deep), BundleInfo{});
}

TEST(BundleInfoTest, ReaderOpensDirectoriesOnly) {
    TempDir dir;
    const InfoPlistBundleReader reader;
    const auto open = [&](const char* name) { return reader.open((dir / name).string()); };
    TempDir::writeFile(dir / "Chrome.app/Contents/Info.plist", kPlist);
    EXPECT_EQ(open("Chrome.app")->identifier, "com.google.Chrome");
    // A directory without a usable Info.plist still opens; a FIFO must not block.
    std::filesystem::create_directories(dir / "Fifo.app/Contents");
    ASSERT_EQ(::mkfifo((dir / "Fifo.app/Contents/Info.plist").c_str(), 0600), 0);
    EXPECT_EQ(open("Fifo.app"), BundleInfo{});
    TempDir::writeFile(dir / "File.app", "");
    EXPECT_EQ(open("File.app"), std::nullopt);
    EXPECT_EQ(open("Missing.app"), std::nullopt);
}

}  // namespace
}  // namespace tidemark
