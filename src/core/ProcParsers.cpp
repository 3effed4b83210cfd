#include "core/ProcParsers.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tidemark {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view skipBlanks(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && isBlank(s[i])) {
        ++i;
    }
    return s.substr(i);
}

// The unsigned decimal at the start of `s` (after blanks); absent when there
// is none or it does not fit.
std::optional<std::uint64_t> leadingUnsigned(std::string_view s) {
    s = skipBlanks(s);
    std::uint64_t value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end == s.data()) {
        return std::nullopt;
    }
    return value;
}

// Calls `line` for every line of `text`, without its line feed.
template <typename F>
void forEachLine(std::string_view text, F&& line) {
    while (!text.empty()) {
        size_t end = text.find('\n');
        line(text.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
}

// "some avg10=1.00 avg60=0.50 avg300=0.10 total=123" -> the two averages.
bool parseStallLine(std::string_view line, double& avg10, double& avg60) {
    bool have10 = false, have60 = false;
    while (!line.empty()) {
        line = skipBlanks(line);
        size_t end = line.find_first_of(" \t");
        std::string_view field = line.substr(0, end);
        line = end == std::string_view::npos ? std::string_view() : line.substr(end);
        size_t eq = field.find('=');
        if (eq == std::string_view::npos) {
            continue;
        }
        std::string_view key = field.substr(0, eq);
        std::string_view value = field.substr(eq + 1);
        const std::optional<double> parsed = plainDecimal(value);
        if (!parsed) {
            continue;
        }
        if (key == "avg10") {
            avg10 = *parsed;
            have10 = true;
        } else if (key == "avg60") {
            avg60 = *parsed;
            have60 = true;
        }
    }
    return have10 && have60;
}

}  // namespace

std::optional<double> plainDecimal(std::string_view s) {
    const size_t dot = s.find('.');
    const std::string_view whole = s.substr(0, dot);
    const std::string_view fraction =
        dot == std::string_view::npos ? std::string_view() : s.substr(dot + 1);
    const auto allDigits = [](std::string_view d) {
        return std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (whole.empty() || !allDigits(whole) || !allDigits(fraction) ||
        (dot != std::string_view::npos && fraction.empty())) {
        return std::nullopt;
    }
    std::uint64_t wholeValue = 0;
    if (std::from_chars(whole.data(), whole.data() + whole.size(), wholeValue).ec != std::errc()) {
        return std::nullopt;
    }
    // Digits past the 18th cannot change a double's value.
    std::uint64_t fractionValue = 0, scale = 1;
    for (char c : fraction.substr(0, 18)) {
        fractionValue = fractionValue * 10 + static_cast<std::uint64_t>(c - '0');
        scale *= 10;
    }
    return static_cast<double>(wholeValue) +
           static_cast<double>(fractionValue) / static_cast<double>(scale);
}

MemInfo parseMeminfo(std::string_view text) {
    MemInfo info;
    forEachLine(text, [&](std::string_view line) {
        size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            return;
        }
        std::string_view key = line.substr(0, colon);
        std::optional<std::uint64_t>* field = key == "MemTotal"       ? &info.memTotalKiB
                                              : key == "MemAvailable" ? &info.memAvailableKiB
                                              : key == "SwapTotal"    ? &info.swapTotalKiB
                                              : key == "SwapFree"     ? &info.swapFreeKiB
                                              : key == "AnonPages"    ? &info.anonPagesKiB
                                              : key == "Shmem"        ? &info.shmemKiB
                                                                      : nullptr;
        if (field != nullptr) {
            *field = leadingUnsigned(line.substr(colon + 1));
        }
    });
    return info;
}

std::optional<PressureStall> parsePressureStall(std::string_view text) {
    PressureStall stall;
    bool haveSome = false;
    forEachLine(text, [&](std::string_view line) {
        if (line.starts_with("some ")) {
            haveSome = parseStallLine(line.substr(5), stall.someAvg10, stall.someAvg60);
        } else if (line.starts_with("full ")) {
            if (!parseStallLine(line.substr(5), stall.fullAvg10, stall.fullAvg60)) {
                stall.fullAvg10 = stall.fullAvg60 = 0;
            }
        }
    });
    if (!haveSome) {
        return std::nullopt;
    }
    return stall;
}

std::optional<std::uint64_t> parseStatmResidentPages(std::string_view text) {
    text = skipBlanks(text);
    size_t end = text.find_first_of(" \t");
    if (end == std::string_view::npos || !leadingUnsigned(text.substr(0, end))) {
        return std::nullopt;
    }
    return leadingUnsigned(text.substr(end));
}

namespace {

// The sum of two required fields and an optional third of a "Key: N kB"
// report; the first occurrence of each key counts.
std::optional<std::uint64_t> sumOfKiBFields(std::string_view text, std::string_view first,
                                            std::string_view second,
                                            std::string_view optionalThird) {
    std::optional<std::uint64_t> a, b, c;
    forEachLine(text, [&](std::string_view line) {
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            return;
        }
        const std::string_view key = line.substr(0, colon);
        std::optional<std::uint64_t>* field = key == first           ? &a
                                              : key == second        ? &b
                                              : key == optionalThird ? &c
                                                                     : nullptr;
        if (field != nullptr && !*field) {
            *field = leadingUnsigned(line.substr(colon + 1));
        }
    });
    if (!a || !b) {
        return std::nullopt;
    }
    std::uint64_t total = 0;
    if (__builtin_add_overflow(*a, *b, &total) ||
        __builtin_add_overflow(total, c.value_or(0), &total)) {
        return UINT64_MAX;
    }
    return total;
}

}  // namespace

std::optional<std::uint64_t> parseSmapsRollupFootprintKiB(std::string_view text) {
    return sumOfKiBFields(text, "Pss_Anon", "Pss_Shmem", "SwapPss");
}

std::optional<std::uint64_t> parseStatusFreeableKiB(std::string_view text) {
    return sumOfKiBFields(text, "RssAnon", "RssShmem", "VmSwap");
}

namespace {

std::optional<std::uint64_t> keyedCounter(std::string_view text, std::string_view key) {
    std::optional<std::uint64_t> value;
    forEachLine(text, [&](std::string_view line) {
        if (line.size() > key.size() && line.starts_with(key) && line[key.size()] == ' ') {
            value = leadingUnsigned(line.substr(key.size() + 1));
        }
    });
    return value;
}

}  // namespace

std::optional<std::uint64_t> parseVmstatOomKills(std::string_view text) {
    return keyedCounter(text, "oom_kill");
}

std::optional<std::uint64_t> parseMemoryEventsOomKills(std::string_view text) {
    return keyedCounter(text, "oom_kill");
}

}  // namespace tidemark
