#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tidemark {

// Starts the program at login through an XDG autostart entry
// ($XDG_CONFIG_HOME/autostart/tidemark.desktop). The entry is the state:
// nothing is cached, every question reads the file again.
class LaunchAtLoginService {
public:
    // What to tell a user on a system without an autostart directory.
    static std::string_view unsupportedSystemDescription();

    explicit LaunchAtLoginService(std::filesystem::path autostartDir = defaultAutostartDir(),
                                  std::string executablePath = currentExecutable());

    // Empty when no home directory can be found.
    static std::filesystem::path defaultAutostartDir();
    // The absolute path of the running binary; empty when it cannot be read.
    static std::string currentExecutable();

    // False when there is nowhere to put the entry or nothing to start.
    bool isAvailable() const;
    // True when the entry exists and the session would honour it.
    bool isEnabled() const;
    // Writes (atomically) or removes the entry, also when that is the state
    // already; returns the error description when that fails.
    std::optional<std::string> setEnabled(bool enabled);

    std::filesystem::path entryPath() const;

    // The Exec= value that starts `program` with no arguments.
    static std::string execValue(std::string_view program);

private:
    std::filesystem::path m_autostartDir;
    std::string m_executablePath;
};

}  // namespace tidemark
