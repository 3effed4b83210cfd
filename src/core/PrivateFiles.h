#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tidemark {

// Small POSIX file helpers for the user's private data. Every failure comes
// back as the system's description of the error (strerror text); nothing
// throws.

struct FileReadResult {
    enum class Status { read, missing, failed };
    Status status = Status::missing;
    std::string content;
    std::string errorDescription;  // when failed
    bool truncated = false;        // read, but only its first `maxBytes`
};

// What a file longer than the limit gives: a failure (a document that must be
// read whole), or its first `maxBytes` (text whose useful part comes first).
enum class BeyondLimit { fail, truncate };

// Reads a regular file without ever holding more than `maxBytes` (and one
// spare byte) in memory. Anything that is not a regular file (a directory, a
// FIFO that would block) fails.
FileReadResult readRegularFile(const std::filesystem::path& file, std::size_t maxBytes,
                               BeyondLimit beyondLimit = BeyondLimit::fail);

// Creates `directory` and every missing parent with mode 0700; existing
// directories (and symbolic links to directories) are left as they are.
std::optional<std::string> createPrivateDirectories(const std::filesystem::path& directory);

// Replaces `file` with `content` so that a reader (or a crash at any moment)
// sees either the old or the new file in full: a mode 0600 temporary file in
// the same directory, flushed to disk, renamed over `file`. `beforeReplace`
// runs once the new content is safely on disk and may veto the replacement
// by returning an error description.
std::optional<std::string> writeFileAtomically(
    const std::filesystem::path& file, std::string_view content,
    const std::function<std::optional<std::string>()>& beforeReplace = {});

// Renames `file` to `file` + `suffix` in the same directory, adding ".1",
// ".2", ... when that name is taken, so an earlier copy is never replaced.
// A file that has disappeared in the meantime is not an error.
std::optional<std::string> moveAside(const std::filesystem::path& file, const std::string& suffix);

// The suffix an unreadable file is moved aside under, e.g.
// ".unreadable-20261206T194000Z" (UTC).
std::string unreadableSuffix(double timestamp);

// The user's home directory: $HOME when absolute, else the password
// database; absent when neither knows.
std::optional<std::filesystem::path> homeDirectory();

// XDG base directories. A relative value is invalid by the XDG rules and
// ignored; without a home directory the result is empty.
std::filesystem::path xdgConfigHome();
std::filesystem::path xdgDataHome();

}  // namespace tidemark
