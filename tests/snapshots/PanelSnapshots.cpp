#include <memory>
#include <optional>
#include <vector>

#include "Snapshots.h"
#include "ui/PanelViewController.h"
#include "ui/TrayPopover.h"

namespace tidemark::snapshots {

namespace {

constexpr std::uint64_t kMiB = 1024ull * 1024;
constexpr std::uint64_t kGiB = 1024 * kMiB;

struct PanelCase {
    const char* name;
    std::optional<RiskLevel> level = std::nullopt;
    std::optional<std::uint64_t> usedBytes = std::nullopt;  // absent: no sample at all
    bool rankingAvailable = true;
    bool notificationsEnabled = true;
    bool notificationsAvailable = true;
    bool isSimulation = false;
    bool isRecovering = false;
    bool debugPreview = false;
};

AppMemory app(std::string name, std::uint64_t residentBytes, std::int64_t processCount) {
    AppMemory memory;
    memory.name = std::move(name);
    memory.residentBytes = residentBytes;
    memory.footprintBytes = residentBytes;
    memory.processCount = processCount;
    return memory;
}

// A 16 GB machine; the third name is too long for its row.
std::vector<AppMemory> typicalApplications() {
    return {
        app("Google Chrome", 3 * kGiB + 205 * kMiB, 23),
        app("Codex", kGiB + 410 * kMiB, 4),
        app("Visual Studio Code - Insiders (Renderer, Extension Host)", 980 * kMiB, 9),
    };
}

ui::PanelState stateShown(const PanelCase& state) {
    ui::PanelState shown{.applicationRankingAvailable = state.rankingAvailable,
                         .notificationsEnabled = state.notificationsEnabled,
                         .notificationsAvailable = state.notificationsAvailable,
                         .isSimulation = state.isSimulation,
                         .isRecovering = state.isRecovering};
    if (state.level) {
        shown.assessment.emplace().level = *state.level;
    }
    if (state.usedBytes) {
        shown.sample.emplace();
        shown.sample->physicalMemoryBytes = 16 * kGiB;
        shown.sample->memoryUsedBytes = state.usedBytes;
    }
    if (state.rankingAvailable) {
        shown.applications = typicalApplications();
    }
    return shown;
}

void render(const QDir& dir, const PanelCase& state, bool dark) {
    useAppearance(dark);
    auto panel = std::make_unique<ui::PanelViewController>(state.debugPreview);
    panel->update(stateShown(state));
    // The size the popover gives it; save() alone would bound a tall panel
    // by the offscreen screen.
    panel->setFixedSize(panel->sizeHint());
    save(panel.get(), dir, QStringLiteral("panel-%1-%2").arg(state.name, dark ? "dark" : "light"));
}

// The panel in the popover, sized from it as the tray does.
void renderInPopover(const QDir& dir, const PanelCase& state, bool dark) {
    useAppearance(dark);
    TrayPopover popover;
    auto* panel = new ui::PanelViewController(state.debugPreview);
    popover.setContent(panel);
    panel->update(stateShown(state));
    popover.setContentSize(panel->sizeHint());
    save(&popover, dir, QStringLiteral("popover-%1-%2").arg(state.name, dark ? "dark" : "light"));
}

}  // namespace

void renderPanelSnapshots(const QDir& dir) {
    const PanelCase states[] = {
        {.name = "safe", .notificationsEnabled = false},
        {.name = "watch", .level = RiskLevel::watch, .usedBytes = 11 * kGiB + 300 * kMiB},
        {.name = "warning", .level = RiskLevel::warning, .usedBytes = 13 * kGiB + 920 * kMiB},
        {.name = "critical", .level = RiskLevel::critical, .usedBytes = 15 * kGiB + 410 * kMiB},
        {.name = "recovering",
         .level = RiskLevel::warning,
         .usedBytes = 12 * kGiB + 100 * kMiB,
         .isRecovering = true},
        {.name = "ranking-unavailable",
         .level = RiskLevel::warning,
         .usedBytes = 13 * kGiB + 920 * kMiB,
         .rankingAvailable = false},
        {.name = "notifications-unavailable",
         .level = RiskLevel::safe,
         .usedBytes = 8 * kGiB + 512 * kMiB,
         .notificationsEnabled = false,
         .notificationsAvailable = false},
        {.name = "preview",
         .level = RiskLevel::warning,
         .usedBytes = 9 * kGiB + 700 * kMiB,
         .isSimulation = true,
         .debugPreview = true},
    };
    for (bool dark : {false, true}) {
        for (const PanelCase& state : states) {
            render(dir, state, dark);
        }
        renderInPopover(dir, states[3], dark);
    }
    useAppearance(false);
}

}  // namespace tidemark::snapshots
