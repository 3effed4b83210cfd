#include "core/PrivateFiles.h"

#include "core/Formatting.h"
#include "core/NoReplaceRename.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <system_error>
#include <vector>

namespace tidemark {

namespace fs = std::filesystem;

namespace {

std::string describe(int error) {
    return std::system_category().message(error);
}

// Closes on every path out, keeping the first error for the caller.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    // A failed close can be the first report of a failed write (NFS, quotas).
    int close() {
        int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

std::optional<std::string> writeAll(int fd, std::string_view content) {
    while (!content.empty()) {
        ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return describe(errno);
        }
        if (written == 0) {
            return describe(EIO);
        }
        content.remove_prefix(static_cast<size_t>(written));
    }
    return std::nullopt;
}

fs::path directoryOf(const fs::path& file) {
    fs::path parent = file.parent_path();
    return parent.empty() ? fs::path(".") : parent;
}

// Makes the rename itself durable; some file systems refuse to fsync a
// directory, which leaves nothing better to do.
void syncDirectory(const fs::path& directory) {
    int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool renameWithoutReplacing(const fs::path& from, const fs::path& to, int& error) {
    error = renameNoReplace(from.c_str(), to.c_str());
    if (error == 0) {
        return true;
    }
    if (error != ENOTSUP) {
        return false;
    }
    // No one-step rename on this file system: check first. The gap is
    // harmless here, only this program names files this way.
    struct stat existing;
    if (::lstat(to.c_str(), &existing) == 0) {
        error = EEXIST;
        return false;
    }
    if (::rename(from.c_str(), to.c_str()) == 0) {
        return true;
    }
    error = errno;
    return false;
}

}  // namespace

FileReadResult readRegularFile(const fs::path& file, std::size_t maxBytes,
                               BeyondLimit beyondLimit) {
    FileReadResult result;
    // O_NONBLOCK so that a FIFO planted at the path cannot hang the caller.
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return result;
        }
        result.status = FileReadResult::Status::failed;
        result.errorDescription = describe(errno);
        return result;
    }
    result.status = FileReadResult::Status::failed;
    struct stat info;
    if (::fstat(fd.get(), &info) != 0) {
        result.errorDescription = describe(errno);
        return result;
    }
    if (S_ISDIR(info.st_mode)) {
        result.errorDescription = describe(EISDIR);
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.errorDescription = describe(EINVAL);
        return result;
    }
    const auto size = static_cast<std::uintmax_t>(std::max<off_t>(info.st_size, 0));
    if (size > maxBytes && beyondLimit == BeyondLimit::fail) {
        result.errorDescription = describe(EFBIG);
        return result;
    }
    // The file may grow or shrink while it is read; one spare byte tells
    // whether there is more than the limit.
    result.content.resize(static_cast<size_t>(std::min<std::uintmax_t>(size, maxBytes + 1)));
    size_t used = 0;
    for (;;) {
        if (used == result.content.size()) {
            if (used > maxBytes) {
                break;
            }
            result.content.resize(std::min(used + 4096, maxBytes + 1));
        }
        ssize_t got = ::read(fd.get(), result.content.data() + used, result.content.size() - used);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            result.content.clear();
            result.errorDescription = describe(errno);
            return result;
        }
        if (got == 0) {
            break;
        }
        used += static_cast<size_t>(got);
    }
    if (used > maxBytes) {
        if (beyondLimit == BeyondLimit::fail) {
            result.content.clear();
            result.errorDescription = describe(EFBIG);
            return result;
        }
        used = maxBytes;
        result.truncated = true;
    }
    result.content.resize(used);
    result.status = FileReadResult::Status::read;
    return result;
}

std::optional<std::string> createPrivateDirectories(const fs::path& directory) {
    if (directory.empty()) {
        return std::nullopt;
    }
    std::vector<fs::path> missing;
    for (fs::path p = directory; !p.empty(); p = p.parent_path()) {
        struct stat info;
        if (::stat(p.c_str(), &info) == 0) {
            if (!S_ISDIR(info.st_mode)) {
                return describe(ENOTDIR);
            }
            break;
        }
        if (errno != ENOENT) {
            return describe(errno);
        }
        missing.push_back(p);
        if (p == p.parent_path()) {
            break;
        }
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->c_str(), 0700) != 0 && errno != EEXIST) {
            return describe(errno);
        }
    }
    return std::nullopt;
}

std::optional<std::string> writeFileAtomically(
    const fs::path& file, std::string_view content,
    const std::function<std::optional<std::string>()>& beforeReplace) {
    // Appended piece by piece: on `"." + name` GCC 12's optimiser warns
    // -Wrestrict about the inlined copies, a false positive.
    std::string hiddenName(1, '.');
    hiddenName.append(file.filename().string()).append(".XXXXXX");
    std::string temporary = (directoryOf(file) / hiddenName).string();
    // mkstemp creates the file with mode 0600, whatever the umask.
    FileDescriptor fd(::mkstemp(temporary.data()));
    if (fd.get() < 0) {
        return describe(errno);
    }
    auto fail = [&](std::string description) {
        ::unlink(temporary.c_str());
        return std::optional<std::string>(std::move(description));
    };
    if (std::optional<std::string> error = writeAll(fd.get(), content)) {
        return fail(*error);
    }
    if (::fsync(fd.get()) != 0) {
        return fail(describe(errno));
    }
    if (fd.close() != 0) {
        return fail(describe(errno));
    }
    if (beforeReplace) {
        if (std::optional<std::string> error = beforeReplace()) {
            return fail(*error);
        }
    }
    if (::rename(temporary.c_str(), file.c_str()) != 0) {
        return fail(describe(errno));
    }
    syncDirectory(directoryOf(file));
    return std::nullopt;
}

std::optional<std::string> moveAside(const fs::path& file, const std::string& suffix) {
    const std::string base = file.string() + suffix;
    for (int counter = 0; counter < 10000; ++counter) {
        const std::string target = counter == 0 ? base : base + "." + std::to_string(counter);
        int error = 0;
        if (renameWithoutReplacing(file, target, error)) {
            syncDirectory(directoryOf(file));
            return std::nullopt;
        }
        if (error == ENOENT) {
            struct stat info;
            if (::lstat(file.c_str(), &info) != 0 && errno == ENOENT) {
                return std::nullopt;
            }
            return describe(error);
        }
        if (error != EEXIST && error != ENOTEMPTY) {
            return describe(error);
        }
    }
    return describe(EEXIST);
}

std::string unreadableSuffix(double timestamp) {
    std::string iso = formatIsoDate(timestamp);
    std::erase(iso, '-');
    std::erase(iso, ':');
    return ".unreadable-" + iso;
}

std::optional<std::filesystem::path> homeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        return std::filesystem::path(home);
    }
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return std::filesystem::path(found->pw_dir);
    }
    return std::nullopt;
}

static std::filesystem::path xdgDirectory(const char* variable, const char* fallback) {
    if (const char* value = std::getenv(variable); value != nullptr && value[0] == '/') {
        return value;
    }
    std::optional<std::filesystem::path> home = homeDirectory();
    return home ? *home / fallback : std::filesystem::path();
}

std::filesystem::path xdgConfigHome() {
    return xdgDirectory("XDG_CONFIG_HOME", ".config");
}

std::filesystem::path xdgDataHome() {
    return xdgDirectory("XDG_DATA_HOME", ".local/share");
}

}  // namespace tidemark
