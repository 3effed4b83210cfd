#include "core/Formatting.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <string>

namespace tidemark {
namespace {

// The tray program adopts the user's locale at start-up (Qt calls
// setlocale); its numbers must not turn into "1,5 GB" under German.
TEST(Formatting, BytesUseMegabytesBelowOneGibibyteAndIgnoreTheLocale) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0 MB"},
        {(1ull << 20) * 3 / 2, "1.5 MB"},
        {1073741824, "1 GB"},
        {(1ull << 30) * 3 / 2, "1.5 GB"},
        {1073741824ull * 1234 / 100, "12.34 GB"},
        // Above the signed 64-bit maximum the value is shown as that maximum.
        {UINT64_MAX, "8589934592 GB"},
    };
    const auto expectTexts = [&] {
        for (const auto& [bytes, text] : cases)
            EXPECT_EQ(formatBytes(bytes), text) << bytes;
    };
    expectTexts();

    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not generated (scripts/install-deps does it)";
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    EXPECT_STREQ(probe, "1,5");  // the locale really is in force
    expectTexts();
    std::setlocale(LC_ALL, previous.c_str());
}

TEST(Formatting, DatesAreUtcWholeSecondsAndReadBackWithOffsets) {
    EXPECT_EQ(formatIsoDate(1741944413.9), "2025-03-14T09:26:53Z");
    EXPECT_EQ(parseIsoDate("2025-03-14T10:26:53+01:00"), 1741944413.0);
    EXPECT_EQ(parseIsoDate("2025-03-14T09:26:53.5Z"), 1741944413.5);
    for (const char* bad : {"2025-03-14T09:26:53", "2025-02-30T00:00:00Z", "2025-03-14 09:26:53Z",
                            "2025-03-14T09:26:53Zjunk", "2025-3-14T09:26:53Z"})
        EXPECT_FALSE(parseIsoDate(bad).has_value()) << bad;
}

TEST(Formatting, BrokenUtf8AndControlCharactersAreReplaced) {
    const std::string r = "\xEF\xBF\xBD";
    EXPECT_EQ(decodeUtf8Lossy("\xE0\x80"), r + r);       // E0 cannot be followed by 80
    EXPECT_EQ(decodeUtf8Lossy("ok\xE2\x82"), "ok" + r);  // a cut-short sequence is one
    EXPECT_EQ(decodeUtf8Lossy(std::string("name\0rest", 9)), "name");
    EXPECT_EQ(replaceControlCharacters("<b>微信</b>\tb\nc\x7F"
                                       "d\xC2\x85"),
              "<b>微信</b>" + r + "b" + r + "c" + r + "d" + r);
}

}  // namespace
}  // namespace tidemark
