#include "settings/PreferenceStore.h"

#include <utility>

#include "core/Clock.h"
#include "core/PrivateFiles.h"

namespace tidemark {

namespace fs = std::filesystem;

namespace {

// Preferences are a handful of booleans; anything larger is not ours.
constexpr std::size_t kMaximumFileBytes = 1 << 20;

std::optional<std::string> withPath(const fs::path& file, std::optional<std::string> error) {
    if (error) {
        return file.string() + ": " + *error;
    }
    return std::nullopt;
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
    FileReadResult file = readRegularFile(m_file, kMaximumFileBytes);
    if (file.status == FileReadResult::Status::missing)
        return;
    if (file.status == FileReadResult::Status::failed) {
        m_fileUnreadable = true;
        return;
    }
    nlohmann::json parsed = nlohmann::json::parse(file.content, nullptr, false);
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
    std::optional<std::string> error = createPrivateDirectories(m_file.parent_path());
    if (!error) {
        error = writeFileAtomically(m_file, m_values.dump(2) + "\n");
    }
    if (error) {
        m_lastWriteError = withPath(m_file, error);
        return;
    }
    m_lastWriteError.reset();
}

std::optional<std::string> FilePreferenceStore::moveUnreadableFileAside() {
    return withPath(m_file, moveAside(m_file, unreadableSuffix(SystemClock().now())));
}

}  // namespace tidemark
