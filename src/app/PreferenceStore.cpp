#include "app/PreferenceStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <system_error>
#include <utility>

#include "app/UserFiles.h"

namespace tidemark {

namespace fs = std::filesystem;

namespace {

enum class ReadResult { ok, absent, unreadable };

ReadResult readWholeFile(const fs::path& file, std::string& content) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? ReadResult::absent : ReadResult::unreadable;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return ReadResult::unreadable;
        }
        content.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return ReadResult::ok;
}

std::string utcStamp() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
    return text;
}

}  // namespace

FilePreferenceStore::FilePreferenceStore(fs::path file) : m_file(std::move(file)) {
    load();
}

fs::path FilePreferenceStore::defaultPath() {
    const fs::path config = xdgConfigHome();
    return config.empty() ? fs::path() : config / "tidemark" / "preferences.json";
}

void FilePreferenceStore::load() {
    if (m_file.empty())
        return;
    std::string content;
    switch (readWholeFile(m_file, content)) {
        case ReadResult::absent:
            return;
        case ReadResult::unreadable:
            m_fileUnreadable = true;
            return;
        case ReadResult::ok:
            break;
    }
    nlohmann::json parsed = nlohmann::json::parse(content, nullptr, false);
    if (parsed.is_discarded() || !parsed.is_object()) {
        m_fileUnreadable = true;
        return;
    }
    m_values = std::move(parsed);
}

std::optional<bool> FilePreferenceStore::boolValue(const std::string& key) const {
    const auto it = m_values.find(key);
    if (it == m_values.end() || !it->is_boolean())
        return std::nullopt;
    return it->get<bool>();
}

void FilePreferenceStore::setBool(const std::string& key, bool value) {
    m_values[key] = value;
    if (m_file.empty())
        return;
    if (m_fileUnreadable) {
        if (auto error = moveUnreadableFileAside()) {
            m_lastWriteError = std::move(error);
            return;
        }
        m_fileUnreadable = false;
    }
    if (auto error = writeFileAtomically(m_file, m_values.dump(2) + "\n", 0600)) {
        m_lastWriteError = describeFileError(m_file, error);
        return;
    }
    m_lastWriteError.reset();
}

std::optional<std::string> FilePreferenceStore::moveUnreadableFileAside() {
    const std::string base = m_file.string() + ".unreadable-" + utcStamp();
    std::string target = base;
    std::error_code ec;
    for (int n = 1; fs::exists(fs::symlink_status(target, ec)); ++n) {
        target = base + "-" + std::to_string(n);
    }
    if (::rename(m_file.c_str(), target.c_str()) != 0 && errno != ENOENT) {
        return describeFileError(m_file, {errno, std::generic_category()});
    }
    return std::nullopt;
}

}  // namespace tidemark
