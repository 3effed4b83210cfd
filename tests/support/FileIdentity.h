#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <tuple>

namespace tidemark::test {

// Every save renames a new file into place, so an unchanged identity means
// nothing was written (and a missing file has the identity of all zeros).
inline auto fileIdentity(const std::filesystem::path& file) {
    struct stat info {};
    ::stat(file.c_str(), &info);
    return std::tuple(info.st_ino, info.st_size, info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
}

}  // namespace tidemark::test
