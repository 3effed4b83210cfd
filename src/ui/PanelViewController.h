#pragma once

#include <QSize>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "core/Models.h"
#include "core/RiskAssessment.h"
#include "ui/AppVisualTheme.h"
#include "ui/PanelState.h"

class QLabel;

namespace tidemark::ui {

class AppUsageRow;
class PanelCard;
class StatusBadge;
class SymbolButton;

// The content of the tray popover. Passive: it shows what `update` gives it
// and reports button presses through the callbacks; it reads no system state.
class PanelViewController : public AppThemeSurface {
    Q_OBJECT
public:
    explicit PanelViewController(bool debugPreviewEnabled, QWidget* parent = nullptr);

    std::function<void()> onRefresh;
    std::function<void()> onTestWarning;
    std::function<void()> onTestWatch;
    std::function<void()> onEndPreview;
    std::function<void()> onEnableNotifications;
    std::function<void()> onShowHistory;
    std::function<void()> onShowSettings;
    std::function<void()> onShowAdvice;
    std::function<void()> onQuit;

    bool debugPreviewEnabled() const { return m_debugPreviewEnabled; }

    using QWidget::update;
    // Replaces everything the panel shows.
    void update(const PanelState& state);

    // The panel's width is the design's; its height follows what it shows
    // now and the user's font.
    static constexpr int kWidth = 350;
    // The size the popover should give the panel for what it shows now.
    QSize sizeHint() const override;

private:
    QWidget* buildHeroCard();
    QWidget* buildPressureCard();
    QWidget* buildApplicationsSection();
    QWidget* buildAdviceCard();
    QWidget* buildDebugArea();
    QWidget* applicationCard(SymbolButton* refresh);

    void applyHero(RiskLevel level, bool isSimulation);
    void applyEvidence(RiskLevel level, const std::optional<LightweightSample>& sample);

    static void styleCard(PanelCard* card);
    static void styleCard(PanelCard* card, const ThemeColor& color);
    SymbolButton* iconButton(const QString& symbol, const QString& description,
                             std::function<void()> PanelViewController::*action);
    SymbolButton* subtleButton(const QString& title, const QString& symbol,
                               std::function<void()> PanelViewController::*action);
    void connectCallback(SymbolButton* button, std::function<void()> PanelViewController::*action);

    const bool m_debugPreviewEnabled;

    PanelCard* m_heroCard = nullptr;
    PanelCard* m_pressureCard = nullptr;
    QLabel* m_heroEyebrow = nullptr;
    QLabel* m_statusLabel = nullptr;
    StatusBadge* m_statusBadge = nullptr;
    QLabel* m_memoryEvidenceLabel = nullptr;
    QLabel* m_pressureEvidenceLabel = nullptr;
    QLabel* m_appsHintLabel = nullptr;
    std::vector<AppUsageRow*> m_appRows;
    PanelCard* m_adviceCard = nullptr;
    QLabel* m_adviceLabel = nullptr;
    QWidget* m_adviceDetailsButton = nullptr;
    SymbolButton* m_notificationButton = nullptr;
    SymbolButton* m_historyButton = nullptr;
    SymbolButton* m_settingsButton = nullptr;
    SymbolButton* m_quitButton = nullptr;
    QLabel* m_debugStatusLabel = nullptr;
    SymbolButton* m_endPreviewButton = nullptr;
};

}  // namespace tidemark::ui
