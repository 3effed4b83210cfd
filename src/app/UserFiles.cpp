#include "app/UserFiles.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace tidemark {

namespace fs = std::filesystem;

namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

fs::path homeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        return home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return {};
}

std::error_code writeAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return lastError();
        }
        content.remove_prefix(static_cast<size_t>(written));
    }
    return {};
}

}  // namespace

fs::path xdgConfigHome() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME");
        config != nullptr && config[0] == '/') {
        return config;
    }
    fs::path home = homeDirectory();
    return home.empty() ? fs::path() : home / ".config";
}

std::error_code makeDirectories(const fs::path& dir, mode_t mode) {
    if (dir.empty())
        return {};
    struct stat info {};
    if (::stat(dir.c_str(), &info) == 0) {
        return S_ISDIR(info.st_mode) ? std::error_code()
                                     : std::make_error_code(std::errc::not_a_directory);
    }
    if (errno != ENOENT)
        return lastError();
    const fs::path parent = dir.parent_path();
    if (parent != dir) {
        if (auto error = makeDirectories(parent, mode))
            return error;
    }
    if (::mkdir(dir.c_str(), mode) != 0 && errno != EEXIST)
        return lastError();
    return {};
}

std::error_code writeFileAtomically(const fs::path& file, std::string_view content, mode_t mode) {
    const fs::path dir = file.parent_path();
    if (auto error = makeDirectories(dir, 0700))
        return error;

    std::string temporary = (dir / ("." + file.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return lastError();

    std::error_code error;
    if (::fchmod(fd, mode) != 0)
        error = lastError();
    if (!error)
        error = writeAll(fd, content);
    // Without the flush a crash soon after the rename can leave an empty file.
    if (!error && ::fsync(fd) != 0)
        error = lastError();
    if (::close(fd) != 0 && !error)
        error = lastError();
    if (!error && ::rename(temporary.c_str(), file.c_str()) != 0)
        error = lastError();
    if (error) {
        ::unlink(temporary.c_str());
        return error;
    }

    if (const int dirFd =
            ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

std::string describeFileError(const fs::path& file, std::error_code error) {
    return file.string() + ": " + error.message();
}

}  // namespace tidemark
