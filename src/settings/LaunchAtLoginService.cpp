#include "settings/LaunchAtLoginService.h"

#include <unistd.h>

#include <cerrno>
#include <sstream>
#include <system_error>

#include "core/PlatformTexts.h"
#include "core/PrivateFiles.h"
#include "core/Utf8.h"
#include "freedesktop/DesktopEntries.h"

namespace tidemark {

std::string_view LaunchAtLoginService::unsupportedSystemDescription() {
    return platformTexts().launchUnsupportedError;
}

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kGroupHeader = "[Desktop Entry]";

std::string describeFileError(const fs::path& file, std::error_code error) {
    return file.string() + ": " + error.message();
}

// Entry values must be UTF-8 and may hold no control characters other than
// the three with escapes.
bool fitsInEntry(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t' && c != '\n' && c != '\r') || byte == 0x7f)
            return false;
    }
    return isWellFormedUtf8(text);
}

}  // namespace

LaunchAtLoginService::LaunchAtLoginService(fs::path autostartDir, std::string executablePath)
    : m_autostartDir(std::move(autostartDir)), m_executablePath(std::move(executablePath)) {}

fs::path LaunchAtLoginService::defaultAutostartDir() {
    const fs::path config = xdgConfigHome();
    return config.empty() ? fs::path() : config / "autostart";
}

std::string LaunchAtLoginService::currentExecutable() {
    std::error_code error;
    std::string path = fs::read_symlink("/proc/self/exe", error).string();
    if (error)
        return {};
    // After a package upgrade the running image is unlinked; the new binary
    // sits at the same path.
    constexpr std::string_view deleted = " (deleted)";
    if (path.size() > deleted.size() && path.ends_with(deleted)) {
        path.resize(path.size() - deleted.size());
    }
    return path;
}

bool LaunchAtLoginService::isAvailable() const {
    return !m_autostartDir.empty() && !m_executablePath.empty() && m_executablePath.front() == '/';
}

fs::path LaunchAtLoginService::entryPath() const {
    return m_autostartDir / "tidemark.desktop";
}

bool LaunchAtLoginService::isEnabled() const {
    if (!isAvailable())
        return false;
    const std::optional<DesktopEntry> entry = readDesktopEntry(entryPath());
    return entry && !entry->hidden && !entry->autostartDisabled;
}

std::optional<std::string> LaunchAtLoginService::setEnabled(bool enabled) {
    if (!isAvailable())
        return std::string(unsupportedSystemDescription());
    const fs::path entry = entryPath();

    if (!enabled) {
        if (::unlink(entry.c_str()) != 0 && errno != ENOENT) {
            return describeFileError(entry, {errno, std::generic_category()});
        }
        return std::nullopt;
    }

    if (!fitsInEntry(m_executablePath)) {
        return describeFileError(m_executablePath,
                                 std::make_error_code(std::errc::invalid_argument));
    }
    std::ostringstream content;
    content << kGroupHeader << "\n"
            << "Type=Application\n"
            << "Name=潮痕\n"
            << "Exec=" << execValue(m_executablePath) << "\n"
            << "Icon=tidemark\n"
            << "Terminal=false\n"
            << "X-GNOME-Autostart-enabled=true\n";
    std::optional<std::string> error = createPrivateDirectories(entry.parent_path());
    if (!error) {
        error = writeFileAtomically(entry, content.str());
    }
    if (error) {
        return entry.string() + ": " + *error;
    }
    return std::nullopt;
}

std::string LaunchAtLoginService::execValue(std::string_view program) {
    // Two layers: the Exec quoting rules for the argument (and %% for a
    // literal percent sign, which would otherwise start a field code), then
    // the escapes every string value gets.
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#`()";
    const bool quote = program.empty() || program.find_first_of(reserved) != std::string_view::npos;

    std::string argument;
    if (quote)
        argument += '"';
    for (const char c : program) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            argument += '\\';
        argument += c;
        if (c == '%')
            argument += '%';
    }
    if (quote)
        argument += '"';

    std::string value;
    for (const char c : argument) {
        switch (c) {
            case '\\':
                value += "\\\\";
                break;
            case '\n':
                value += "\\n";
                break;
            case '\t':
                value += "\\t";
                break;
            case '\r':
                value += "\\r";
                break;
            default:
                value += c;
        }
    }
    return value;
}

}  // namespace tidemark
