#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace tidemark {

// $XDG_CONFIG_HOME, or ~/.config when it is unset or not absolute (the XDG
// rule); empty when no home directory can be found either.
std::filesystem::path xdgConfigHome();

// Creates the missing directories of `dir` with `mode`; existing ones are
// left as they are.
std::error_code makeDirectories(const std::filesystem::path& dir, mode_t mode);

// Replaces `file` with `content` through a temporary file in the same
// directory and a rename, so a reader sees the old or the new file whole.
// Missing parent directories are created with mode 0700.
std::error_code writeFileAtomically(const std::filesystem::path& file, std::string_view content,
                                    mode_t mode);

// "<path>: <system message>", the form failures are reported in.
std::string describeFileError(const std::filesystem::path& file, std::error_code error);

}  // namespace tidemark
