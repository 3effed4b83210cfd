#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <cstdio>
#include <optional>
#include <string>

#include "Snapshots.h"
#include "advice/AdviceEngine.h"
#include "ui/AdviceWindowController.h"
#include "ui/RecentIncidentsWindowController.h"
#include "ui/SettingsWindowController.h"

namespace tidemark::snapshots {

namespace {

using ui::AdviceWindowController;
using ui::RecentIncidentsWindowController;
using ui::SettingsWindowController;

constexpr std::uint64_t kGiB = 1ULL << 30;
constexpr std::uint64_t kMiB = 1ULL << 20;
const QString kInitialFollowUp =
    QStringLiteral("完成操作后，点击确认，再观察后续约 1 分钟的系统压力。");

void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

// The windows size themselves; save() would shrink a resizable window to
// its size hint, so they are grabbed as they stand.
bool saveAsShown(QWidget* window, const QDir& dir, const QString& name) {
    window->show();
    settle();
    const QString path = dir.filePath(name + ".png");
    const bool ok = window->grab().save(path);
    report(ok, path);
    return ok;
}

AppMemory app(const char* name, const char* bundle, std::uint64_t residentBytes) {
    AppMemory a;
    a.name = name;
    if (bundle != nullptr) {
        a.bundleIdentifier = bundle;
    }
    a.residentBytes = residentBytes;
    a.footprintBytes = residentBytes;
    a.processCount = 12;
    return a;
}

AppMemory growingApp(const char* name, std::uint64_t bytes, std::uint64_t grewBytes) {
    AppMemory a = app(name, nullptr, bytes);
    a.growth = MemoryGrowth{grewBytes, 300};
    return a;
}

std::vector<AdvicePlan> plansFor(const QString& kind) {
    const std::uint64_t physical = 16 * kGiB;
    if (kind == QLatin1String("plans")) {
        return AdviceEngine::plans(RiskLevel::warning,
                                   {app("Google Chrome", "com.google.Chrome", 3435973837),
                                    app("Safari", "com.apple.Safari", 2 * kGiB),
                                    app("ChatGPT", "com.openai.chat", 1536 * kMiB)},
                                   physical, 512 * kMiB);
    }
    if (kind == QLatin1String("watch")) {
        return AdviceEngine::plans(
            RiskLevel::watch, {app("Google Chrome", "com.google.Chrome", 4 * kGiB)}, physical, 0);
    }
    if (kind == QLatin1String("codex")) {
        return AdviceEngine::plans(RiskLevel::critical,
                                   {app("Codex", "com.openai.codex", 5 * kGiB)}, physical, 0);
    }
    if (kind == QLatin1String("firefox")) {
        return AdviceEngine::plans(RiskLevel::warning, {app("Firefox ESR", nullptr, 3 * kGiB)},
                                   physical, 0);
    }
    if (kind == QLatin1String("growing")) {
        return AdviceEngine::plans(RiskLevel::critical,
                                   {app("Chromium", nullptr, 5 * kGiB),
                                    growingApp("data-import-worker", 3 * kGiB, 1288490189)},
                                   physical, 2 * kGiB);
    }
    if (kind == QLatin1String("system")) {
        return AdviceEngine::plans(RiskLevel::warning, {app("Notes", nullptr, 300 * kMiB)},
                                   physical, 512 * kMiB);
    }
    return {};
}

void renderAdvice(const QDir& dir, const QString& suffix) {
    for (const char* kind : {"plans", "watch", "codex", "firefox", "growing", "system", "none"}) {
        AdviceWindowController controller;
        controller.show(plansFor(QLatin1String(kind)), kInitialFollowUp, true, false);
        if (QLatin1String(kind) == QLatin1String("growing") ||
            QLatin1String(kind) == QLatin1String("firefox")) {
            // Their evidence and sources are the point: shown, at the end.
            QWidget* window = controller.window();
            window->findChild<QAbstractButton*>(QStringLiteral("adviceEvidenceToggle"))->click();
            window->show();
            settle();
            QScrollBar* bar =
                window->findChild<QAbstractScrollArea*>(QStringLiteral("adviceScroll"))
                    ->verticalScrollBar();
            bar->setValue(bar->maximum());
        }
        saveAsShown(controller.window(), dir, QStringLiteral("advice-%1-%2").arg(kind, suffix));
    }
    {
        AdviceWindowController controller;
        controller.show(plansFor(QStringLiteral("plans")), kInitialFollowUp, true, false);
        controller.updateFollowUp(
            QStringLiteral("观察到系统压力下降，仍需留意后续状态；不能证明下降由这次操作造成。"),
            true);
        controller.invalidateAfterRecovery();
        saveAsShown(controller.window(), dir, QStringLiteral("advice-recovered-") + suffix);
    }
    {
        AdviceWindowController controller;
        controller.show(plansFor(QStringLiteral("plans")),
                        QStringLiteral("这是模拟建议，不进行真实效果复查。"), false, true);
        saveAsShown(controller.window(), dir, QStringLiteral("advice-simulation-") + suffix);
    }
}

// The popup is a window of its own; it is painted over the window's image
// where it stands on screen.
void renderAdviceSelection(const QDir& dir) {
    AdviceWindowController controller;
    controller.show(plansFor(QStringLiteral("plans")), kInitialFollowUp, true, false);
    QWidget* window = controller.window();
    window->show();
    settle();
    window->findChild<QAbstractButton*>(QStringLiteral("adviceSelectorButton"))->click();
    settle();
    QPixmap image = window->grab();
    if (auto* popover = window->findChild<QWidget*>(QStringLiteral("adviceSelectionPopover"))) {
        QPainter painter(&image);
        painter.drawPixmap(window->mapFromGlobal(popover->pos()), popover->grab());
    }
    const QString path = dir.filePath(QStringLiteral("advice-selection-open-light.png"));
    const bool ok = image.save(path);
    report(ok, path);
}

std::vector<IncidentRecord> sampleIncidents() {
    // 2025-03-14 09:26 UTC and the hours before it.
    const Timestamp base = 1741944360;
    IncidentRecord open;
    open.id = "0C3E7A52-0000-4000-8000-000000000001";
    open.startedAt = base;
    open.highestLevel = RiskLevel::warning;
    open.topApplications = {app("Google Chrome", nullptr, 3435973837)};

    IncidentRecord critical;
    critical.id = "0C3E7A52-0000-4000-8000-000000000002";
    critical.startedAt = base - 3 * 3600;
    critical.highestLevel = RiskLevel::critical;
    critical.topApplications = {app("Google Chrome", nullptr, 3435973837),
                                app("Safari", nullptr, 1181116006),
                                app("Codex", nullptr, 900 * kMiB)};
    critical.recoveredAt = critical.startedAt + 22 * 60 + 40;

    IncidentRecord recovered;
    recovered.id = "0C3E7A52-0000-4000-8000-000000000003";
    recovered.startedAt = base - 26 * 3600;
    recovered.highestLevel = RiskLevel::warning;
    recovered.topApplications = {app("ChatGPT", nullptr, 1536 * kMiB),
                                 app("WeChat", nullptr, 800 * kMiB)};
    recovered.recoveredAt = recovered.startedAt + 150;

    IncidentRecord interrupted;
    interrupted.id = "0C3E7A52-0000-4000-8000-000000000004";
    interrupted.startedAt = base - 50 * 3600;
    interrupted.highestLevel = RiskLevel::warning;
    interrupted.monitoringInterruptedAt = interrupted.startedAt + 900;
    return {open, critical, recovered, interrupted};
}

void renderHistory(const QDir& dir, const QString& suffix) {
    const std::optional<std::string> error = "permission denied";
    const struct {
        const char* name;
        bool records;
        bool error;
    } states[] = {
        {"empty", false, false},
        {"error", false, true},
        {"records", true, false},
        {"records-error", true, true},
    };
    for (const auto& state : states) {
        RecentIncidentsWindowController controller([](QWidget*) {});
        controller.reload(state.records ? sampleIncidents() : std::vector<IncidentRecord>{},
                          state.error ? error : std::nullopt);
        saveAsShown(controller.window(), dir,
                    QStringLiteral("history-%1-%2").arg(QLatin1String(state.name), suffix));
    }
}

void renderSettings(const QDir& dir, const QString& suffix) {
    {
        SettingsWindowController controller;
        controller.updateReminders(true, true);
        controller.show(true, true, [](bool) { return std::nullopt; });
        saveAsShown(controller.window(), dir, QStringLiteral("settings-normal-") + suffix);
    }
    {
        SettingsWindowController controller;
        controller.updateReminders(false, false);
        controller.show(false, false, {});
        saveAsShown(controller.window(), dir, QStringLiteral("settings-unavailable-") + suffix);
    }
    {
        SettingsWindowController controller;
        controller.updateReminders(true, true);
        controller.show(false, true, [](bool) -> std::optional<std::string> {
            return "The operation couldn't be completed.";
        });
        controller.window()
            ->findChild<QAbstractButton*>(QStringLiteral("launchAtLoginCheckbox"))
            ->click();
        saveAsShown(controller.window(), dir, QStringLiteral("settings-failed-") + suffix);
    }
}

}  // namespace

void renderWindowSnapshots(const QDir& dir) {
    for (const bool dark : {false, true}) {
        useAppearance(dark);
        const QString suffix = dark ? QStringLiteral("dark") : QStringLiteral("light");
        renderAdvice(dir, suffix);
        renderHistory(dir, suffix);
        renderSettings(dir, suffix);
    }
    useAppearance(false);
    renderAdviceSelection(dir);
}

}  // namespace tidemark::snapshots
