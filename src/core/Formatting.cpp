#include "core/Formatting.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>

#include "core/Utf8.h"

namespace tidemark {

namespace {

constexpr std::uint64_t kMiB = 1024ull * 1024ull;
constexpr std::uint64_t kGiB = 1024ull * kMiB;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

std::string trimFraction(std::string number) {
    if (number.find('.') == std::string::npos) {
        return number;
    }
    while (!number.empty() && number.back() == '0') {
        number.pop_back();
    }
    if (!number.empty() && number.back() == '.') {
        number.pop_back();
    }
    return number;
}

// to_chars, unlike printf, ignores the C locale: a GUI that adopts a
// comma-decimal locale must still print "1.5 GB".
std::string fixed(double value, int digits) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, digits);
    return trimFraction(std::string(buffer, result.ptr));
}

// Days since 1970-01-01 for a proleptic Gregorian date (Howard Hinnant's
// algorithm), so that parsing does not depend on the process time zone.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool isLeap(std::int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned daysInMonth(std::int64_t y, unsigned m) {
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

bool readDigits(std::string_view text, size_t& pos, size_t count, int& out) {
    if (pos + count > text.size()) {
        return false;
    }
    int value = 0;
    for (size_t i = 0; i < count; ++i) {
        char c = text[pos + i];
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    pos += count;
    out = value;
    return true;
}

bool expect(std::string_view text, size_t& pos, char c) {
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

}  // namespace

std::string formatBytes(std::uint64_t bytes) {
    const std::uint64_t clamped =
        std::min<std::uint64_t>(bytes, static_cast<std::uint64_t>(INT64_MAX));
    if (clamped < kGiB) {
        return fixed(static_cast<double>(clamped) / static_cast<double>(kMiB), 1) + " MB";
    }
    return fixed(static_cast<double>(clamped) / static_cast<double>(kGiB), 2) + " GB";
}

std::string formatIsoDate(Timestamp t) {
    if (!std::isfinite(t)) {
        t = 0;
    }
    // Keep within a range gmtime can represent with a four-digit year.
    t = std::clamp(t, -62135596800.0, 253402300799.0);
    auto seconds = static_cast<std::time_t>(std::floor(t));
    std::tm tm{};
    gmtime_r(&seconds, &tm);
    // Not strftime's %Y: glibc writes years before 1000 with fewer than four
    // digits, which no reader (this one included) accepts back.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02dZ", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buffer;
}

std::optional<Timestamp> parseIsoDate(std::string_view text) {
    size_t pos = 0;
    int year, month, day, hour, minute, second;
    if (!readDigits(text, pos, 4, year) || !expect(text, pos, '-') ||
        !readDigits(text, pos, 2, month) || !expect(text, pos, '-') ||
        !readDigits(text, pos, 2, day)) {
        return std::nullopt;
    }
    if (!(expect(text, pos, 'T') || expect(text, pos, 't'))) {
        return std::nullopt;
    }
    if (!readDigits(text, pos, 2, hour) || !expect(text, pos, ':') ||
        !readDigits(text, pos, 2, minute) || !expect(text, pos, ':') ||
        !readDigits(text, pos, 2, second)) {
        return std::nullopt;
    }
    if (month < 1 || month > 12 || day < 1 ||
        static_cast<unsigned>(day) > daysInMonth(year, month) || hour > 23 || minute > 59 ||
        second > 60) {
        return std::nullopt;
    }
    double fraction = 0;
    if (expect(text, pos, '.')) {
        double scale = 0.1;
        size_t start = pos;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            fraction += (text[pos] - '0') * scale;
            scale /= 10;
            ++pos;
        }
        if (pos == start) {
            return std::nullopt;
        }
    }
    int offsetSeconds = 0;
    if (expect(text, pos, 'Z') || expect(text, pos, 'z')) {
        // UTC
    } else if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        int sign = text[pos] == '-' ? -1 : 1;
        ++pos;
        int oh, om;
        if (!readDigits(text, pos, 2, oh) || !expect(text, pos, ':') ||
            !readDigits(text, pos, 2, om) || oh > 23 || om > 59) {
            return std::nullopt;
        }
        offsetSeconds = sign * (oh * 3600 + om * 60);
    } else {
        return std::nullopt;
    }
    if (pos != text.size()) {
        return std::nullopt;
    }
    std::int64_t days =
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    double t =
        static_cast<double>(days * 86400 + hour * 3600 + minute * 60 + second - offsetSeconds);
    return t + fraction;
}

std::string decodeUtf8Lossy(std::string_view bytes) {
    size_t nul = bytes.find('\0');
    if (nul != std::string_view::npos) {
        bytes = bytes.substr(0, nul);
    }
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        const Utf8Sequence sequence = decodeUtf8Sequence(bytes);
        if (sequence.wellFormed) {
            out.append(bytes.substr(0, sequence.size));
        } else {
            out.append(kReplacement);
        }
        bytes.remove_prefix(sequence.size);
    }
    return out;
}

std::string replaceControlCharacters(std::string_view text) {
    std::string valid = decodeUtf8Lossy(text);
    std::string out;
    out.reserve(valid.size());
    for (size_t i = 0; i < valid.size();) {
        auto c = static_cast<unsigned char>(valid[i]);
        if (c < 0x20 || c == 0x7F) {
            out.append(kReplacement);
            ++i;
        } else if (c == 0xC2 && i + 1 < valid.size() &&
                   static_cast<unsigned char>(valid[i + 1]) < 0xA0) {
            // C1 controls U+0080..U+009F
            out.append(kReplacement);
            i += 2;
        } else {
            out.push_back(valid[i]);
            ++i;
        }
    }
    return out;
}

}  // namespace tidemark
