#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace tidemark {

// A per-user store of booleans that outlives the process.
class PreferenceStore {
public:
    virtual ~PreferenceStore() = default;

    virtual std::optional<bool> boolValue(const std::string& key) const = 0;
    virtual void setBool(const std::string& key, bool value) = 0;
};

// A JSON object in one file. Read once at construction; each change rewrites
// the whole file atomically (mode 0600). Keys it does not know are kept.
//
// A file that cannot be read or parsed reads as "no keys" and is moved aside
// to "<file>.unreadable-<UTC time>" before the first write replaces it, so a
// hand-edited or damaged file is never lost. When writing fails the value is
// still kept for this run and lastWriteError() says why.
class FilePreferenceStore final : public PreferenceStore {
public:
    explicit FilePreferenceStore(std::filesystem::path file = defaultPath());

    // $XDG_CONFIG_HOME/tidemark/preferences.json (~/.config when unset);
    // empty when there is no home directory, and the store then lives in
    // memory only.
    static std::filesystem::path defaultPath();

    std::optional<bool> boolValue(const std::string& key) const override;
    void setBool(const std::string& key, bool value) override;

    const std::filesystem::path& file() const { return m_file; }
    const std::optional<std::string>& lastWriteError() const { return m_lastWriteError; }

private:
    void load();
    std::optional<std::string> moveUnreadableFileAside();

    std::filesystem::path m_file;
    nlohmann::json m_values = nlohmann::json::object();
    bool m_fileUnreadable = false;
    std::optional<std::string> m_lastWriteError;
};

}  // namespace tidemark
