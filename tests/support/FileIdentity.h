#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <system_error>
#include <tuple>

namespace tidemark::test {

// Every save renames a new file into place, so an unchanged identity means
// nothing was written (and a missing file has the identity of all zeros).
inline auto fileIdentity(const std::filesystem::path& file) {
    struct stat info {};
    ::stat(file.c_str(), &info);
    std::error_code error;
    const auto modified = std::filesystem::last_write_time(file, error);
    return std::tuple(info.st_ino, info.st_size, error ? 0 : modified.time_since_epoch().count());
}

}  // namespace tidemark::test
