#include "core/AppClassifier.h"

#include <algorithm>
#include <span>
#include <unordered_map>

#include "core/PlatformTexts.h"
#include "core/TextCase.h"

namespace tidemark::AppClassifier {

namespace {

struct KnownName {
    std::string_view key;
    std::string_view displayName;
};

constexpr KnownName kKnownBundles[] = {
    {"com.google.Chrome", "Google Chrome"},
    {"com.openai.chat", "ChatGPT"},
    {"com.openai.codex", "Codex"},
    {"com.apple.Safari", "Safari"},
};

constexpr std::string_view kSandboxedApplicationPrefix = "/app/";

// Any table of {key, displayName} entries: the bundles here, the platform's
// system processes.
template <typename Table>
std::optional<std::string_view> lookup(const Table& table, std::string_view key) {
    for (const auto& entry : table) {
        if (entry.key == key) {
            return entry.displayName;
        }
    }
    return std::nullopt;
}

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// Case-insensitive: "Tool.APP" is a bundle too.
bool hasAppExtension(std::string_view component) {
    return component.size() >= 4 && lowerAscii(component.substr(component.size() - 4)) == ".app";
}

std::vector<std::string_view> splitComponents(std::string_view path) {
    std::vector<std::string_view> components;
    while (!path.empty()) {
        size_t slash = path.find('/');
        std::string_view component = path.substr(0, slash);
        if (!component.empty()) {
            components.push_back(component);
        }
        if (slash == std::string_view::npos) {
            break;
        }
        path.remove_prefix(slash + 1);
    }
    return components;
}

// "Safari.app" -> "Safari". A name that is nothing but an extension (".app")
// keeps it, as a hidden file name has no extension.
std::string_view withoutExtension(std::string_view fileName) {
    size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot == 0) {
        return fileName;
    }
    return fileName.substr(0, dot);
}

std::string_view lastComponent(std::string_view path) {
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Bundles are opened once per aggregation, however many processes live in
// them (a browser has dozens).
class CachingBundleReader final : public BundleReader {
public:
    explicit CachingBundleReader(const BundleReader& reader) : m_reader(reader) {}
    std::optional<BundleInfo> open(const std::string& bundlePath) const override {
        auto it = m_cache.find(bundlePath);
        if (it == m_cache.end()) {
            it = m_cache.emplace(bundlePath, m_reader.open(bundlePath)).first;
        }
        return it->second;
    }

private:
    const BundleReader& m_reader;
    mutable std::unordered_map<std::string, std::optional<BundleInfo>> m_cache;
};

std::optional<Identity> bundleIdentity(const ProcessSample& process, const BundleReader& bundles) {
    if (!process.executablePath) {
        return std::nullopt;
    }
    std::optional<std::string> bundlePath = outermostBundlePath(*process.executablePath);
    if (!bundlePath) {
        return std::nullopt;
    }
    const std::string fileName(withoutExtension(lastComponent(*bundlePath)));
    std::optional<BundleInfo> info = bundles.open(*bundlePath);
    if (!info) {
        return Identity{fileName, std::nullopt, *bundlePath};
    }
    if (info->identifier) {
        if (auto known = lookup(kKnownBundles, *info->identifier)) {
            return Identity{std::string(*known), info->identifier, *info->identifier};
        }
    }
    std::string name = info->displayName ? *info->displayName : info->name ? *info->name : fileName;
    std::string key = info->identifier ? *info->identifier : *bundlePath;
    return Identity{std::move(name), info->identifier, std::move(key)};
}

std::optional<Identity> sandboxIdentity(const ProcessSample& process,
                                        const IdentitySources& sources) {
    // Flatpak mounts an application's own files at /app inside its sandbox,
    // and that is the path the kernel reports. Asking only such processes
    // keeps the extra read off the hundreds of others; a program the sandbox
    // takes from its runtime (/usr/bin/python3) is grouped by path instead.
    if (!sources.sandboxApplication || !process.executablePath ||
        !process.executablePath->starts_with(kSandboxedApplicationPrefix)) {
        return std::nullopt;
    }
    std::optional<std::string> id = sources.sandboxApplication(process.pid);
    if (!id) {
        return std::nullopt;
    }
    if (auto known = lookup(kKnownBundles, *id)) {
        return Identity{std::string(*known), id, *id};
    }
    std::optional<std::string> name;
    if (sources.desktopEntries != nullptr) {
        name = sources.desktopEntries->nameForApplicationId(*id);
    }
    return Identity{name ? std::move(*name) : *id, id, *id};
}

// The operating system's own processes, by their name or, since the kernel
// cuts names to 15 bytes ("systemd-journal"), by their program's file name.
std::optional<std::string_view> systemProcessName(const ProcessSample& process) {
    const std::span<const SystemProcessName> table = platformTexts().systemProcesses;
    const auto find = [table](std::string_view name) { return lookup(table, lowercased(name)); };
    if (auto known = find(process.name)) {
        return known;
    }
    if (process.executablePath) {
        return find(lastComponent(*process.executablePath));
    }
    return std::nullopt;
}

Identity processIdentity(const ProcessSample& process, const IdentitySources& sources) {
    // A system process keeps its own name even where a desktop entry starts
    // it (a session entry for the shell, a settings panel that runs the
    // window manager), so that no plan offers to quit it.
    std::optional<std::string> name;
    bool ownName = false;
    if (auto known = systemProcessName(process)) {
        name = std::string(*known);
    } else if (process.executablePath && sources.desktopEntries != nullptr) {
        // Named after its application, but still grouped by its own path.
        name = sources.desktopEntries->nameForExecutable(*process.executablePath);
        if (!name) {
            // A guess by file name, which the unit the desktop started the
            // application in may still correct.
            name = sources.desktopEntries->nameForWrappedProgram(*process.executablePath);
            ownName = name.has_value();
        }
    }
    if (!name) {
        name = process.name.empty() ? std::string("Unknown") : process.name;
        ownName = true;
    }
    return Identity{std::move(*name), std::nullopt, processKey(process), ownName};
}

}  // namespace

std::string processKey(const ProcessSample& process) {
    if (process.executablePath) {
        return "process:" + *process.executablePath;
    }
    // Before the desktop entries, a system process's table name and a plain
    // one's own name stand for themselves; so the key stays what grouping by
    // name made it.
    if (auto known = systemProcessName(process)) {
        return "process:" + std::string(*known);
    }
    return "process:" + (process.name.empty() ? std::string("Unknown") : process.name);
}

std::string normalizePath(std::string_view path) {
    const bool absolute = path.starts_with('/');
    std::vector<std::string_view> kept;
    for (std::string_view component : splitComponents(path)) {
        if (component == ".") {
            continue;
        }
        if (component == "..") {
            if (!kept.empty() && kept.back() != "..") {
                kept.pop_back();
            } else if (!absolute) {
                kept.push_back(component);
            }
            continue;
        }
        kept.push_back(component);
    }
    std::string out = absolute ? "/" : "";
    for (size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) {
            out += '/';
        }
        out += kept[i];
    }
    return out;
}

std::optional<std::string> outermostBundlePath(std::string_view path) {
    const std::string normalized = normalizePath(path);
    size_t pos = 0;
    while (pos < normalized.size()) {
        if (normalized[pos] == '/') {
            ++pos;
            continue;
        }
        size_t end = std::min(normalized.find('/', pos), normalized.size());
        if (hasAppExtension(std::string_view(normalized).substr(pos, end - pos))) {
            return normalized.substr(0, end);
        }
        pos = end;
    }
    return std::nullopt;
}

Identity classify(const ProcessSample& process, const IdentitySources& sources) {
    if (std::optional<Identity> identity = bundleIdentity(process, sources.bundles)) {
        return std::move(*identity);
    }
    if (std::optional<Identity> identity = sandboxIdentity(process, sources)) {
        return std::move(*identity);
    }
    return processIdentity(process, sources);
}

std::vector<AppMemory> aggregate(const std::vector<ProcessSample>& samples,
                                 const BundleReader& bundles) {
    return aggregate(samples, IdentitySources{bundles, nullptr, {}});
}

std::vector<Group> group(const std::vector<ProcessSample>& samples,
                         const IdentitySources& sources) {
    const CachingBundleReader cachedBundles(sources.bundles);
    const IdentitySources cachedSources{cachedBundles, sources.desktopEntries,
                                        sources.sandboxApplication};
    std::vector<Group> groups;
    std::unordered_map<std::string, size_t> indexByKey;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const ProcessSample& sample = samples[i];
        Identity identity = classify(sample, cachedSources);
        auto [it, inserted] = indexByKey.try_emplace(std::move(identity.key), groups.size());
        if (inserted) {
            AppMemory app;
            app.name = std::move(identity.name);
            app.bundleIdentifier = std::move(identity.bundleIdentifier);
            groups.push_back(Group{std::move(app), {}, identity.ownName});
        }
        Group& group = groups[it->second];
        // Wraps on overflow, as unsigned arithmetic does.
        group.app.residentBytes += sample.residentBytes;
        group.app.footprintBytes = group.app.residentBytes;
        group.app.processCount += 1;
        group.members.push_back(i);
    }
    std::stable_sort(groups.begin(), groups.end(), [](const Group& a, const Group& b) {
        return a.app.residentBytes > b.app.residentBytes;
    });
    return groups;
}

std::vector<AppMemory> aggregate(const std::vector<ProcessSample>& samples,
                                 const IdentitySources& sources) {
    std::vector<Group> groups = group(samples, sources);
    std::vector<AppMemory> out;
    out.reserve(groups.size());
    for (Group& g : groups) {
        out.push_back(std::move(g.app));
    }
    return out;
}

}  // namespace tidemark::AppClassifier
