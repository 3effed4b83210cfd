// The text helpers every untrusted name and date passes through: process
// names and paths (lossy UTF-8, control characters) and the dates of the
// incident file and recorded samples.

#include <cmath>

#include "FuzzTarget.h"
#include "core/Formatting.h"

namespace {

bool hasControlCharacter(std::string_view text) {
    // C0 and DEL are single bytes; C1 is U+0080 to U+009F, C2 80 to C2 9F.
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    for (size_t i = 0; i < text.size(); ++i) {
        if (byte(i) < 0x20 || byte(i) == 0x7F ||
            (byte(i) == 0xC2 && i + 1 < text.size() && byte(i + 1) < 0xA0)) {
            return true;
        }
    }
    return false;
}

// The range the written form can express: years 0001 to 9999 in UTC.
constexpr double kFirstWritable = -62135596800.0;
constexpr double kLastWritable = 253402300799.0;

}  // namespace

TIDEMARK_FUZZ_TARGET(bytes) {
    // Decoded text is valid UTF-8 (decoding it again changes nothing) and
    // stops at the first NUL.
    const std::string decoded = decodeUtf8Lossy(bytes);
    TIDEMARK_FUZZ_CHECK(decodeUtf8Lossy(decoded) == decoded);
    TIDEMARK_FUZZ_CHECK(decoded.find('\0') == std::string::npos);
    TIDEMARK_FUZZ_CHECK(decoded.size() <= 3 * bytes.size());

    const std::string oneLine = replaceControlCharacters(bytes);
    TIDEMARK_FUZZ_CHECK(!hasControlCharacter(oneLine));
    TIDEMARK_FUZZ_CHECK(replaceControlCharacters(oneLine) == oneLine);

    // A date that parses is written back as a date that parses to the same
    // whole second.
    if (const std::optional<Timestamp> t = parseIsoDate(bytes)) {
        TIDEMARK_FUZZ_CHECK(std::isfinite(*t));
        const double second = std::floor(*t);
        if (second >= kFirstWritable && second <= kLastWritable) {
            const std::optional<Timestamp> again = parseIsoDate(formatIsoDate(*t));
            TIDEMARK_FUZZ_CHECK(again && *again == second);
        }
    }
}
