#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/Models.h"

namespace tidemark {

// Memory figures as the user sees them everywhere: clamped to the signed
// 64-bit maximum, 1024-based, MB below 1 GiB (at most one fraction digit),
// GB from 1 GiB (at most two), trailing fraction zeros dropped.
// 0 -> "0 MB", 536870912 -> "512 MB", 1610612736 -> "1.5 GB".
std::string formatBytes(std::uint64_t bytes);

// "2025-03-14T09:26:53Z": UTC, whole seconds (fractions dropped).
std::string formatIsoDate(Timestamp t);

// ISO 8601 / RFC 3339 date-time with a time-zone designator ("Z" or
// "+hh:mm"); fractions of a second are accepted. Absent when malformed.
std::optional<Timestamp> parseIsoDate(std::string_view text);

// The bytes before the first NUL, read as UTF-8 with every invalid sequence
// replaced by U+FFFD.
std::string decodeUtf8Lossy(std::string_view bytes);

// For one-line terminal formats: every control character (C0, DEL, C1) is
// replaced by U+FFFD so an untrusted name cannot split or forge a line.
// Invalid UTF-8 is replaced as well.
std::string replaceControlCharacters(std::string_view text);

}  // namespace tidemark
