#include "freedesktop/DesktopEntries.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "core/Formatting.h"
#include "core/PrivateFiles.h"

namespace tidemark {

namespace {

// Entries with every translation run to a few tens of kilobytes; the keys
// that name an application come first in practice, so a larger file is read
// only this far.
constexpr std::size_t kMaximumEntryBytes = 128 * 1024;
// Vendors group entries in sub-directories one or two levels deep; the bound
// keeps a hostile tree from costing a capture anything.
constexpr int kMaximumDirectoryDepth = 3;
constexpr std::string_view kDesktopSuffix = ".desktop";
constexpr std::string_view kFlatpakScopePrefix = "app-flatpak-";
constexpr std::string_view kScopeSuffix = ".scope";
constexpr std::string_view kFlatpakExportsSuffix = "/flatpak/exports/share";
// Directory times are compared in whole seconds: a directory changed within
// this many seconds before it was read may change again unseen in the same
// second.
constexpr std::int64_t kSettledSeconds = 2;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The escapes every string value may use. An unknown escape is kept as
// written, so that Exec='s own backslash escapes survive for execProgram.
std::string unescapeValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out.push_back(value[i]);
            continue;
        }
        switch (value[i + 1]) {
            case 's':
                out.push_back(' ');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case '\\':
                out.push_back('\\');
                break;
            default:
                out.push_back('\\');
                out.push_back(value[i + 1]);
                break;
        }
        ++i;
    }
    return out;
}

// Flatpak's rule: at least three dot-separated elements of ASCII letters,
// digits and "_", none empty or starting with a digit, "-" only in the last.
bool isValidFlatpakId(std::string_view id) {
    if (id.empty() || id.size() > 255) {
        return false;
    }
    int elements = 0;
    size_t start = 0;
    while (start <= id.size()) {
        const size_t end = std::min(id.find('.', start), id.size());
        const std::string_view element = id.substr(start, end - start);
        const bool last = end == id.size();
        if (element.empty() || (element.front() >= '0' && element.front() <= '9')) {
            return false;
        }
        for (char c : element) {
            const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                 (c >= '0' && c <= '9') || c == '_' || (c == '-' && last);
            if (!allowed) {
                return false;
            }
        }
        ++elements;
        start = end + 1;
    }
    return elements >= 3;
}

// The part of a unit name after "app-" that names the application:
// "<...>-<n>.scope" or "<...>[@<n>].service".
std::optional<std::string_view> unitApplication(std::string_view unit) {
    if (unit.ends_with(kScopeSuffix)) {
        unit.remove_suffix(kScopeSuffix.size());
        const size_t dash = unit.rfind('-');
        if (dash == std::string_view::npos || dash == 0 || dash + 1 == unit.size()) {
            return std::nullopt;
        }
        return unit.substr(0, dash);
    }
    constexpr std::string_view kServiceSuffix = ".service";
    if (unit.ends_with(kServiceSuffix)) {
        unit.remove_suffix(kServiceSuffix.size());
        const size_t at = unit.find('@');
        unit = unit.substr(0, at);
        return unit.empty() ? std::nullopt : std::optional(unit);
    }
    return std::nullopt;
}

// systemd's escape of a unit name: "\x2d" for "-" and the like.
std::string unescapeUnitName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        const auto hex = [](char c) {
            return c >= '0' && c <= '9'   ? c - '0'
                   : c >= 'a' && c <= 'f' ? c - 'a' + 10
                   : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                          : -1;
        };
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' && hex(name[i + 2]) >= 0 &&
            hex(name[i + 3]) >= 0) {
            out.push_back(static_cast<char>(hex(name[i + 2]) * 16 + hex(name[i + 3])));
            i += 3;
        } else {
            out.push_back(name[i]);
        }
    }
    return out;
}

// Calls `f` for each component of the paths in a control-group file, whose
// lines are "hierarchy:controllers:path".
template <typename F>
void forEachPathComponent(std::string_view controlGroups, F&& f) {
    size_t start = 0;
    while (start < controlGroups.size()) {
        const size_t end = controlGroups.find_first_of("/:\n", start);
        f(controlGroups.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
}

std::optional<std::string> flatpakIdFromScope(std::string_view component) {
    if (!component.starts_with(kFlatpakScopePrefix) || !component.ends_with(kScopeSuffix)) {
        return std::nullopt;
    }
    component.remove_prefix(kFlatpakScopePrefix.size());
    component.remove_suffix(kScopeSuffix.size());
    const size_t dash = component.rfind('-');
    if (dash == std::string_view::npos || dash + 1 == component.size()) {
        return std::nullopt;
    }
    const std::string_view instance = component.substr(dash + 1);
    if (!std::all_of(instance.begin(), instance.end(),
                     [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const std::string_view id = component.substr(0, dash);
    return isValidFlatpakId(id) ? std::optional<std::string>(id) : std::nullopt;
}

std::optional<std::string> realPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    if (!resolved) {
        return std::nullopt;
    }
    return std::string(resolved.get());
}

bool isRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isExecutableFile(const std::string& path) {
    return ::access(path.c_str(), X_OK) == 0 && isRegularFile(path);
}

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isScript(const std::string& path) {
    const FileReadResult head = readRegularFile(path, 2, BeyondLimit::truncate);
    return head.status == FileReadResult::Status::read && head.content == "#!";
}

// Programs that run another program named by their arguments: the file
// they start is not theirs to name. Versioned forms ("python3.11",
// "perl5.36.0", "lua5.4") are the same programs.
constexpr std::string_view kInterpreters[] = {
    "sh",       "bash",    "dash",   "zsh",     "ksh",    "mksh",   "fish",    "csh",
    "tcsh",     "busybox", "env",    "python",  "pypy",   "perl",   "ruby",    "node",
    "nodejs",   "java",    "mono",   "dotnet",  "php",    "lua",    "luajit",  "tclsh",
    "wish",     "gjs",     "guile",  "rscript", "wine",   "wine64", "flatpak", "snap",
    "electron", "sudo",    "pkexec", "nice",    "ionice", "nohup",  "setsid",  "xdg-open",
};

bool isInterpreter(std::string_view fileName) {
    while (!fileName.empty() &&
           ((fileName.back() >= '0' && fileName.back() <= '9') || fileName.back() == '.')) {
        fileName.remove_suffix(1);
    }
    std::string lower(fileName);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return std::find(std::begin(kInterpreters), std::end(kInterpreters), lower) !=
           std::end(kInterpreters);
}

std::string_view fileNameOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string parentDirectory(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

// Programs shared by many applications live in the directories on PATH, in
// the top two levels (/usr/libexec) and in multiarch library directories; an
// application's own directory is deeper (/opt/google/chrome,
// /usr/lib/firefox-esr).
bool isOwnProgramDirectory(const std::string& directory,
                           const std::vector<std::string>& searchPath) {
    const auto levels = std::count(directory.begin(), directory.end(), '/');
    return levels >= 3 && directory.find("-linux-") == std::string::npos &&
           std::find(searchPath.begin(), searchPath.end(), directory) == searchPath.end();
}

bool isFlatpakExports(std::string_view dataDirectory) {
    return dataDirectory.ends_with(kFlatpakExportsSuffix);
}

std::vector<std::string> absoluteElements(std::string_view list) {
    std::vector<std::string> out;
    while (true) {
        const size_t colon = list.find(':');
        std::string_view element = list.substr(0, colon);
        while (element.size() > 1 && element.back() == '/') {
            element.remove_suffix(1);
        }
        // Relative elements would depend on the working directory.
        if (element.starts_with('/') && std::find(out.begin(), out.end(), element) == out.end()) {
            out.emplace_back(element);
        }
        if (colon == std::string_view::npos) {
            return out;
        }
        list.remove_prefix(colon + 1);
    }
}

std::string_view environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string_view() : std::string_view(value);
}

}  // namespace

DesktopEntry parseDesktopEntry(std::string_view text) {
    DesktopEntry entry;
    bool inGroup = false;
    bool seenName = false;
    bool seenExec = false;
    bool seenTryExec = false;
    bool seenHidden = false;
    bool seenAutostart = false;
    std::optional<std::string> genericName;
    while (!text.empty()) {
        const size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        line = trim(line.ends_with('\r') ? line.substr(0, line.size() - 1) : line);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            if (inGroup) {
                break;
            }
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        const size_t equals = line.find('=');
        if (!inGroup || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = trim(line.substr(0, equals));
        const std::string_view value = trim(line.substr(equals + 1));
        if (key == "Name" && !seenName) {
            seenName = true;
            std::string name = decodeUtf8Lossy(unescapeValue(value));
            if (!name.empty()) {
                entry.name = std::move(name);
            }
        } else if (key == "GenericName" && !genericName) {
            genericName = decodeUtf8Lossy(unescapeValue(value));
        } else if (key == "Exec" && !seenExec) {
            seenExec = true;
            entry.program = execProgram(unescapeValue(value));
        } else if (key == "TryExec" && !seenTryExec) {
            seenTryExec = true;
            std::string tryExec = unescapeValue(value);
            if (!tryExec.empty()) {
                entry.tryExec = std::move(tryExec);
            }
        } else if (key == "Hidden" && !seenHidden) {
            seenHidden = true;
            entry.hidden = value == "true";
        } else if (key == "X-GNOME-Autostart-enabled" && !seenAutostart) {
            seenAutostart = true;
            entry.autostartDisabled = value == "false";
        }
    }
    // "Chromium Web Browser" with GenericName=Web Browser (Debian's entry):
    // the application is the part that is its own.
    if (entry.name && genericName && !genericName->empty() &&
        entry.name->size() > genericName->size() + 1 && entry.name->ends_with(*genericName) &&
        (*entry.name)[entry.name->size() - genericName->size() - 1] == ' ') {
        entry.name->resize(entry.name->size() - genericName->size() - 1);
    }
    return entry;
}

std::optional<DesktopEntry> readDesktopEntry(const std::string& path) {
    const FileReadResult file = readRegularFile(path, kMaximumEntryBytes, BeyondLimit::truncate);
    if (file.status != FileReadResult::Status::read) {
        return std::nullopt;
    }
    std::string_view text(file.content);
    if (file.truncated) {
        // A line cut short could read as a different value.
        text = text.substr(0, text.rfind('\n') + 1);
    }
    return parseDesktopEntry(text);
}

std::optional<std::string> execProgram(std::string_view exec) {
    size_t i = 0;
    while (i < exec.size() && isBlank(exec[i])) {
        ++i;
    }
    std::string program;
    // "%%" is a literal percent sign, quoted or not.
    const auto append = [&](size_t& at) {
        program.push_back(exec[at]);
        if (exec[at] == '%' && at + 1 < exec.size() && exec[at + 1] == '%') {
            ++at;
        }
    };
    const bool quoted = i < exec.size() && exec[i] == '"';
    const size_t first = quoted ? i + 1 : i;
    if (quoted) {
        bool closed = false;
        for (++i; i < exec.size(); ++i) {
            const char c = exec[i];
            if (c == '\\' && i + 1 < exec.size() &&
                std::string_view("\"`$\\").find(exec[i + 1]) != std::string_view::npos) {
                program.push_back(exec[++i]);
            } else if (c == '"') {
                closed = true;
                break;
            } else {
                append(i);
            }
        }
        if (!closed) {
            return std::nullopt;
        }
    } else {
        for (; i < exec.size() && !isBlank(exec[i]) && exec[i] != '\n'; ++i) {
            append(i);
        }
    }
    if (program.empty()) {
        return std::nullopt;
    }
    // A field code ("%f", "%U") in place of the program names none.
    if (exec[first] == '%' && !(first + 1 < exec.size() && exec[first + 1] == '%')) {
        return std::nullopt;
    }
    return program;
}

std::optional<std::string> flatpakApplicationId(std::string_view controlGroups) {
    // Lines are "hierarchy:controllers:path"; the scope is one component of a
    // path, possibly with the sandbox's own sub-groups below it.
    size_t start = 0;
    while (start < controlGroups.size()) {
        const size_t end = controlGroups.find_first_of("/:\n", start);
        const std::string_view component =
            controlGroups.substr(start, end == std::string_view::npos ? end : end - start);
        if (std::optional<std::string> id = flatpakIdFromScope(component)) {
            return id;
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    return std::nullopt;
}

DesktopEntryLocations DesktopEntryLocations::fromEnvironment() {
    std::string dataHome(environment("XDG_DATA_HOME"));
    if (!dataHome.starts_with('/')) {
        const std::string_view home = environment("HOME");
        dataHome = home.starts_with('/') ? std::string(home) + "/.local/share" : "";
    }
    std::string_view dataDirs = environment("XDG_DATA_DIRS");
    if (absoluteElements(dataDirs).empty()) {
        dataDirs = "/usr/local/share:/usr/share";
    }
    std::string directories = dataHome;
    directories += ':';
    directories += dataDirs;
    // Flatpak adds its exports to XDG_DATA_DIRS only in login shells that
    // read its profile script; a session started otherwise still runs them.
    if (!dataHome.empty()) {
        directories += ':' + dataHome + "/flatpak/exports/share";
    }
    directories += ":/var/lib/flatpak/exports/share";

    std::string_view path = environment("PATH");
    if (path.empty()) {
        path = "/usr/local/bin:/usr/bin:/bin";
    }
    return DesktopEntryLocations{absoluteElements(directories), absoluteElements(path)};
}

DesktopEntryIndex::DesktopEntryIndex(DesktopEntryLocations locations)
    : m_locations(std::move(locations)) {}

bool DesktopEntryIndex::hasFlatpakApplications() const {
    if (!m_hasFlatpak) {
        m_hasFlatpak = false;
        for (const std::string& dir : m_locations.dataDirectories) {
            if (isFlatpakExports(dir)) {
                stamp(dir + "/applications");
                m_hasFlatpak = *m_hasFlatpak || isDirectory(dir + "/applications");
            }
        }
    }
    return *m_hasFlatpak;
}

DesktopEntryIndex::DirectoryStamp DesktopEntryIndex::stampOf(const std::string& directory) {
    DirectoryStamp stamp{directory};
    struct stat st {};
    if (::stat(directory.c_str(), &st) == 0) {
        stamp.device = static_cast<std::uint64_t>(st.st_dev);
        stamp.inode = static_cast<std::uint64_t>(st.st_ino);
        stamp.modified = static_cast<std::int64_t>(st.st_mtime);
        stamp.changed = static_cast<std::int64_t>(st.st_ctime);
    }
    return stamp;
}

void DesktopEntryIndex::stamp(const std::string& directory) const {
    DirectoryStamp taken = stampOf(directory);
    if (taken.modified > static_cast<std::int64_t>(std::time(nullptr)) - kSettledSeconds) {
        m_readWhileChanging = true;
    }
    m_stamps.push_back(std::move(taken));
}

bool DesktopEntryIndex::isCurrent() const {
    return !m_readWhileChanging &&
           std::all_of(m_stamps.begin(), m_stamps.end(),
                       [](const DirectoryStamp& seen) { return stampOf(seen.path) == seen; });
}

std::optional<std::string> DesktopEntryIndex::nameForExecutable(
    const std::string& executablePath) const {
    build();
    if (auto it = m_nameByExecutable.find(executablePath); it != m_nameByExecutable.end()) {
        return it->second;
    }
    auto it = m_nameByLauncherDirectory.find(parentDirectory(executablePath));
    return it == m_nameByLauncherDirectory.end() ? std::nullopt : it->second;
}

std::optional<std::string> DesktopEntryIndex::nameForApplicationId(
    const std::string& applicationId) const {
    build();
    auto it = m_nameById.find(applicationId + std::string(kDesktopSuffix));
    return it == m_nameById.end() ? std::nullopt : it->second;
}

void DesktopEntryIndex::build() const {
    if (m_built) {
        return;
    }
    m_built = true;
    for (const std::string& dir : m_locations.searchPath) {
        if (std::optional<std::string> real = realPath(dir)) {
            m_realSearchPath.push_back(std::move(*real));
        }
    }
    for (const std::string& dataDirectory : m_locations.dataDirectories) {
        indexDirectory(dataDirectory + "/applications", isFlatpakExports(dataDirectory));
    }
}

void DesktopEntryIndex::indexDirectory(const std::string& applicationsDirectory,
                                       bool flatpakExports) const {
    // (path relative to the applications directory, depth), walked without
    // recursion. An entry's id is that relative path with "/" turned into "-".
    std::vector<std::pair<std::string, int>> pending{{"", 0}};
    while (!pending.empty()) {
        auto [relative, depth] = std::move(pending.back());
        pending.pop_back();
        const std::string directory = applicationsDirectory + relative;
        stamp(directory);
        DIR* dir = ::opendir(directory.c_str());
        if (dir == nullptr) {
            continue;
        }
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name(entry->d_name);
            if (name == "." || name == "..") {
                continue;
            }
            const std::string path = directory + '/' + std::string(name);
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN) {
                struct stat st {};
                type = ::lstat(path.c_str(), &st) != 0 ? DT_UNKNOWN
                       : S_ISDIR(st.st_mode)           ? DT_DIR
                                                       : DT_REG;
            }
            // Symbolic links to directories are not followed, so no loop can
            // form; links to entry files are common (Flatpak's exports).
            if (type == DT_DIR) {
                if (depth < kMaximumDirectoryDepth) {
                    pending.emplace_back(relative + '/' + std::string(name), depth + 1);
                }
            } else if (name.size() > kDesktopSuffix.size() && name.ends_with(kDesktopSuffix)) {
                std::string id = relative.empty() ? std::string() : relative.substr(1) + '/';
                id += name;
                std::replace(id.begin(), id.end(), '/', '-');
                indexFile(path, std::move(id), flatpakExports);
            }
        }
        ::closedir(dir);
    }
}

void DesktopEntryIndex::indexFile(const std::string& path, std::string id,
                                  bool flatpakExports) const {
    // An entry of a higher-precedence directory hides those with the same
    // id, whatever it contains.
    auto [slot, inserted] = m_nameById.try_emplace(std::move(id));
    if (!inserted) {
        return;
    }
    const std::optional<DesktopEntry> read = readDesktopEntry(path);
    if (!read) {
        return;
    }
    const DesktopEntry& entry = *read;
    slot->second = entry.name;
    // Flatpak's exported entries all run the flatpak launcher; the programs
    // are named through the sandbox instead.
    if (!entry.name || flatpakExports) {
        return;
    }
    if (entry.program && claim(*entry.program, *entry.name)) {
        m_wrapperNameById.try_emplace(slot->first, *entry.name);
    }
    if (entry.tryExec && entry.tryExec != entry.program) {
        claim(*entry.tryExec, *entry.name);
    }
}

bool DesktopEntryIndex::claim(const std::string& program, const std::string& name) const {
    std::optional<std::string> target;
    if (program.find('/') != std::string::npos) {
        if (program.starts_with('/')) {
            target = realPath(program);
        }
    } else {
        for (const std::string& dir : m_locations.searchPath) {
            const std::string candidate = dir + '/' + program;
            if (isExecutableFile(candidate)) {
                target = realPath(candidate);
                break;
            }
        }
    }
    if (!target || !isRegularFile(*target)) {
        return false;
    }
    // "Exec=python3 /opt/x/x.py" must not name every Python program "x".
    if (isInterpreter(fileNameOf(program)) || isInterpreter(fileNameOf(*target))) {
        return false;
    }
    const auto record = [&name](NameTable& table, const std::string& key) {
        auto [it, inserted] = table.try_emplace(key, name);
        if (!inserted && it->second != name) {
            it->second = std::nullopt;
        }
    };
    record(m_nameByExecutable, *target);
    if (!isScript(*target)) {
        return false;
    }
    record(m_nameByWrappedProgram, std::string(fileNameOf(*target)));
    const std::string directory = parentDirectory(*target);
    if (isOwnProgramDirectory(directory, m_realSearchPath)) {
        record(m_nameByLauncherDirectory, directory);
    }
    return true;
}

std::optional<std::string> DesktopEntryIndex::nameForWrappedProgram(
    const std::string& executablePath) const {
    build();
    const std::string_view file = fileNameOf(executablePath);
    if (file.empty() || isInterpreter(file)) {
        return std::nullopt;
    }
    auto it = m_nameByWrappedProgram.find(std::string(file));
    return it == m_nameByWrappedProgram.end() ? std::nullopt : it->second;
}

std::optional<std::string> DesktopEntryIndex::nameForUnit(std::string_view controlGroups,
                                                          std::string_view executablePath) const {
    std::optional<std::string> found;
    if (isInterpreter(fileNameOf(executablePath))) {
        return found;
    }
    forEachPathComponent(controlGroups, [&](std::string_view component) {
        if (found || !component.starts_with("app-")) {
            return;
        }
        std::optional<std::string_view> unit = unitApplication(component.substr(4));
        if (!unit) {
            return;
        }
        build();
        // "<launcher>-<id>" or "<id>": the id's own dashes are escaped, so
        // each dash left may end a launcher's name.
        std::string_view rest = *unit;
        while (!rest.empty() && !found) {
            auto it = m_wrapperNameById.find(unescapeUnitName(rest) + std::string(kDesktopSuffix));
            if (it != m_wrapperNameById.end() && it->second) {
                found = it->second;
                return;
            }
            const size_t dash = rest.find('-');
            rest = dash == std::string_view::npos ? std::string_view() : rest.substr(dash + 1);
        }
    });
    return found;
}

}  // namespace tidemark
