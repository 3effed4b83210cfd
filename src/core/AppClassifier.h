#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Models.h"
#include "freedesktop/DesktopEntries.h"
#include "platform/darwin/BundleInfo.h"

namespace tidemark {

// Groups processes into applications: a process inside an application
// bundle counts towards the outermost bundle on its path, so helpers embedded
// in an application count towards it; other processes are grouped by
// executable path, or by name when the path is unknown.
namespace AppClassifier {

// What one process is charged to.
struct Identity {
    std::string name;
    std::optional<std::string> bundleIdentifier;
    std::string key;  // processes with equal keys form one application
    // The name is the process's own, or a wrapper's guessed by file name: no
    // bundle, sandbox, desktop entry by path or system table named it.
    bool ownName = false;
};

// One application and the processes it was made of.
struct Group {
    AppMemory app;
    std::vector<std::size_t> members;  // indices into the samples, in order
    bool ownName = false;
};

// What the classifier may consult about a process besides its own name and
// path.
struct IdentitySources {
    const BundleReader& bundles;
    // Installed applications' names; none: processes keep their own names.
    const DesktopEntryIndex* desktopEntries = nullptr;
    // The Flatpak application the process with this pid runs in; unset when
    // no sandbox can exist, so that nothing is read per process.
    std::function<std::optional<std::string>(std::int32_t pid)> sandboxApplication;
};

// One application per group, largest resident memory first. A group takes
// its name and bundle identifier from its first process; groups of equal
// size keep the order in which they first appeared.
std::vector<AppMemory> aggregate(const std::vector<ProcessSample>& samples,
                                 const IdentitySources& sources);
// The same groups with their members, largest resident memory first.
std::vector<Group> group(const std::vector<ProcessSample>& samples, const IdentitySources& sources);

// The key that groups a process when nothing but its own path or name is
// known: what a group of processes is tracked by between captures.
std::string processKey(const ProcessSample& process);
std::vector<AppMemory> aggregate(const std::vector<ProcessSample>& samples,
                                 const BundleReader& bundles);

// The identity sources, tried in order: the application bundle on the path;
// the Flatpak sandbox of a program under /app, whose application id stands
// for a bundle identifier (named by its desktop entry); then the process
// itself, grouped by its path or name but named by the desktop entry that
// starts its executable when there is one.
Identity classify(const ProcessSample& process, const IdentitySources& sources);

// Lexical normalisation: "." components removed, ".." resolved against the
// preceding component, repeated separators collapsed. No file is looked at.
std::string normalizePath(std::string_view path);

// The path of the outermost bundle on `path`: the components from the root up
// to the first whose lower-case form ends with ".app". Absent when there is
// none.
std::optional<std::string> outermostBundlePath(std::string_view path);

}  // namespace AppClassifier

}  // namespace tidemark
