#include "core/Formatting.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace tidemark {
namespace {

TEST(Formatting, BytesUseMegabytesBelowOneGibibyteAndDropTrailingZeros) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0 MB"},
        {536870912, "512 MB"},
        {1610612736, "1.5 GB"},
        {17179869184ull, "16 GB"},
        {(1ull << 20) * 3 / 2, "1.5 MB"},
        {1073741824, "1 GB"},
        {1073741824ull * 1234 / 100, "12.34 GB"},
        // Above the signed 64-bit maximum the value is shown as that maximum.
        {UINT64_MAX, "8589934592 GB"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(formatBytes(bytes), text) << bytes;
    }
}

TEST(Formatting, DatesAreUtcWholeSecondsAndReadBackWithOffsets) {
    EXPECT_EQ(formatIsoDate(1741944413.9), "2025-03-14T09:26:53Z");
    // Years before 1000 keep four digits, or the file could not be read back.
    EXPECT_EQ(formatIsoDate(*parseIsoDate("0499-12-31T23:59:59Z")), "0499-12-31T23:59:59Z");
    EXPECT_EQ(parseIsoDate("2025-03-14T09:26:53Z"), 1741944413.0);
    EXPECT_EQ(parseIsoDate("2025-03-14T10:26:53+01:00"), 1741944413.0);
    EXPECT_EQ(parseIsoDate("2025-03-14T09:26:53.5Z"), 1741944413.5);
    for (const char* bad : {"2025-03-14T09:26:53", "2025-02-30T00:00:00Z", "2025-03-14 09:26:53Z",
                            "2025-03-14T09:26:53Zjunk", "", "2025-3-14T09:26:53Z"}) {
        EXPECT_FALSE(parseIsoDate(bad).has_value()) << bad;
    }
}

TEST(Formatting, InvalidUtf8BecomesOneReplacementPerBrokenSequence) {
    const std::string r = "\xEF\xBF\xBD";
    EXPECT_EQ(decodeUtf8Lossy("ok\xFF"), "ok" + r);
    EXPECT_EQ(decodeUtf8Lossy("\xE0\x80"), r + r);  // E0 cannot be followed by 80
    EXPECT_EQ(decodeUtf8Lossy("\xE2\x82"), r);      // a cut-short sequence is one
    EXPECT_EQ(decodeUtf8Lossy("\xF5\x80"), r + r);
    EXPECT_EQ(decodeUtf8Lossy(std::string("name\0rest", 9)), "name");
    EXPECT_EQ(decodeUtf8Lossy("微信"), "微信");
}

TEST(Formatting, ControlCharactersCannotSplitALine) {
    const std::string r = "\xEF\xBF\xBD";
    EXPECT_EQ(replaceControlCharacters("a\tb\nc\x7F"
                                       "d\xC2\x85"),
              "a" + r + "b" + r + "c" + r + "d" + r);
    EXPECT_EQ(replaceControlCharacters("<b>Chrome</b> 微信"), "<b>Chrome</b> 微信");
}

}  // namespace
}  // namespace tidemark
