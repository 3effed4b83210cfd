#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tidemark {

// What naming and autostart use from a desktop entry file: the keys of its
// [Desktop Entry] group. A key is present only when it has a non-empty value.
struct DesktopEntry {
    // The untranslated Name=, without the GenericName= it may end with
    // ("Chromium Web Browser" is Chromium).
    std::optional<std::string> name;
    std::optional<std::string> program;  // the program Exec= runs, unquoted
    std::optional<std::string> tryExec;  // TryExec=
    bool hidden = false;                 // Hidden=true
    bool autostartDisabled = false;      // X-GNOME-Autostart-enabled=false
    bool operator==(const DesktopEntry&) const = default;
};

// Desktop entry files are untrusted text: anything malformed leaves a key
// absent, never an error. Names are returned as valid UTF-8.
DesktopEntry parseDesktopEntry(std::string_view text);

// The entry in the file at `path`; absent when it is not a readable regular
// file. A file far larger than any real entry is read only as far as its
// keys usually come.
std::optional<DesktopEntry> readDesktopEntry(const std::string& path);

// The program of an Exec= value whose string escapes are already resolved:
// its first argument, with double quotes and the backslash escapes allowed
// inside them removed. Absent for an empty value, an unterminated quote or a
// field code.
std::optional<std::string> execProgram(std::string_view exec);

// The Flatpak application a process runs in, from the text of its
// control-group file: systemd puts every sandbox in a scope named
// "app-flatpak-<application id>-<n>.scope". Absent outside a sandbox.
std::optional<std::string> flatpakApplicationId(std::string_view controlGroups);

// Where desktop entries are looked for.
struct DesktopEntryLocations {
    // Data directories, highest precedence first: $XDG_DATA_HOME, then
    // $XDG_DATA_DIRS, then the Flatpak exports. Entries live in their
    // "applications" sub-directory.
    std::vector<std::string> dataDirectories;
    // $PATH's directories, in order.
    std::vector<std::string> searchPath;

    static DesktopEntryLocations fromEnvironment();
    bool operator==(const DesktopEntryLocations&) const = default;
};

// Application names from the installed desktop entries. Nothing is read
// before the first question, and everything is read at most once; isCurrent()
// says when the index no longer matches the disk.
class DesktopEntryIndex {
public:
    explicit DesktopEntryIndex(DesktopEntryLocations locations);

    const DesktopEntryLocations& locations() const { return m_locations; }

    // Whether the directories read so far (or looked for and missing) are
    // as they were then: one stat() each. An entry added, removed or renamed
    // changes its directory, as a package manager's replacement does; an
    // entry edited in place does not, and is read again with the next change
    // of its directory. A directory changed moments before it was read may
    // still have been changing and counts as changed once.
    bool isCurrent() const;

    // The name of the entry whose program (Exec= or TryExec=, resolved
    // against PATH and symbolic links) is `executablePath`. A program that
    // is a script in a directory of its own (a launcher that sets up and
    // starts the real binary beside it) names every executable in that
    // directory. Absent when no entry claims the path, or when entries with
    // different names do.
    std::optional<std::string> nameForExecutable(const std::string& executablePath) const;

    // The name of the entry that starts a wrapper script (a program that sets
    // up and runs the real one elsewhere) with the same file name as
    // `executablePath`: Debian's /usr/bin/chromium runs
    // /usr/lib/chromium/chromium. Absent when no such entry exists or
    // entries with different names do.
    std::optional<std::string> nameForWrappedProgram(const std::string& executablePath) const;

    // The name of the entry whose application the desktop started in the
    // systemd unit named in `controlGroups` (a process's /proc/<pid>/cgroup):
    // "app[-<launcher>]-<desktop id>-<n>.scope" or
    // "app[-<launcher>]-<desktop id>[@<n>].service", the id escaped as systemd
    // escapes unit names. Only entries that start a wrapper script count, so
    // that a program run from a terminal is not named after the terminal, and
    // an interpreter (`executablePath`) running in the unit keeps its name.
    std::optional<std::string> nameForUnit(std::string_view controlGroups,
                                           std::string_view executablePath) const;

    // The name of "<applicationId>.desktop".
    std::optional<std::string> nameForApplicationId(const std::string& applicationId) const;

    // Whether a Flatpak installation exports applications here, that is,
    // whether any process can be running in one of its sandboxes.
    bool hasFlatpakApplications() const;

private:
    // An absent name marks a path claimed under different names.
    using NameTable = std::unordered_map<std::string, std::optional<std::string>>;

    // A directory as stat() saw it; all zero when it was missing.
    struct DirectoryStamp {
        std::string path;
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t modified = 0;  // seconds, the precision every system has
        std::int64_t changed = 0;
        bool operator==(const DirectoryStamp&) const = default;
    };
    static DirectoryStamp stampOf(const std::string& directory);
    // Taken before the directory is listed, so that a change while it is
    // read shows on the next look.
    void stamp(const std::string& directory) const;

    void build() const;
    void indexDirectory(const std::string& applicationsDirectory, bool flatpakExports) const;
    void indexFile(const std::string& path, std::string id, bool flatpakExports) const;
    // True when the program is a wrapper script.
    bool claim(const std::string& program, const std::string& name) const;

    DesktopEntryLocations m_locations;
    mutable bool m_built = false;
    mutable std::optional<bool> m_hasFlatpak;
    mutable std::vector<std::string> m_realSearchPath;
    mutable NameTable m_nameById;  // absent: an entry without a name
    mutable NameTable m_nameByExecutable;
    mutable NameTable m_nameByLauncherDirectory;
    mutable NameTable m_nameByWrappedProgram;  // by the wrapper's file name
    mutable NameTable m_wrapperNameById;
    mutable std::vector<DirectoryStamp> m_stamps;
    mutable bool m_readWhileChanging = false;
};

}  // namespace tidemark
