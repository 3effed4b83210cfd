#include "ui/PanelViewController.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "core/Formatting.h"
#include "core/PlatformTexts.h"
#include "ui/SymbolIcons.h"
#include "ui/WidgetSupport.h"
#include "ui/widgets/AppUsageRow.h"
#include "ui/widgets/ElidedLabel.h"
#include "ui/widgets/PanelCard.h"
#include "ui/widgets/SeparatorLine.h"
#include "ui/widgets/SpacedLabel.h"
#include "ui/widgets/StatusBadge.h"

namespace tidemark::ui {

namespace {

using Callback = std::function<void()> PanelViewController::*;

const QString kHintInitial = QStringLiteral("只有风险升高时，才需要考虑处理。");
const QString kHintCalm = QStringLiteral("占用高不等于有问题，目前无需为数字关闭应用。");
const QString kHintElevated = QStringLiteral("先保存工作，再从占用最高的应用开始检查。");
const QString kHintNoRanking =
    QStringLiteral("当前无法读取应用排名，不代表没有高占用应用。系统风险判断仍可用。");
const QString kAdviceCalm = QStringLiteral("目前无需处理。");
const QString kAdviceWatch = QStringLiteral("建议：先检查和保存，暂时不用退出应用。");
const QString kAdviceElevated =
    QStringLiteral("建议：先保存，等当前任务结束后，再处理确认不用的对象。");

const ThemeColor kAdviceFillAmber = AppVisualTheme::color(0xFFF3DA, 0x443827);
const ThemeColor kAdviceTextAmber = AppVisualTheme::color(0x81521B, 0xECC28B);
const ThemeColor kAdviceFillRed = AppVisualTheme::color(0xFCEAEA, 0x493335);
const ThemeColor kAdviceTextRed = AppVisualTheme::color(0xA43131, 0xFA9999);

QString memoryFigure(std::uint64_t bytes) {
    return qs(formatBytes(bytes));
}

ThemeColor levelColor(RiskLevel level) {
    switch (level) {
        case RiskLevel::safe:
            return AppVisualTheme::systemGreen;
        case RiskLevel::watch:
            return AppVisualTheme::systemOrange;
        case RiskLevel::warning:
        case RiskLevel::critical:
            break;
    }
    return AppVisualTheme::systemRed;
}

bool isElevated(RiskLevel level) {
    return level == RiskLevel::warning || level == RiskLevel::critical;
}

}  // namespace

PanelViewController::PanelViewController(bool debugPreviewEnabled, QWidget* parent)
    : AppThemeSurface(parent), m_debugPreviewEnabled(debugPreviewEnabled) {
    setObjectName("panel");
    // The heights set below are the design's at the default font, scaled
    // with the text, and only minimums: a part whose text needs more grows,
    // and the panel with it.
    setFixedWidth(kWidth);
    auto* stack = new QVBoxLayout(this);
    // The bottom inset is a spacer, not a margin: on a screen too short for
    // the panel it gives way before any content does.
    stack->setContentsMargins(24, 24, 24, 0);
    stack->setSpacing(12);

    auto* mainCard = new PanelCard(16, this);
    mainCard->setObjectName("mainCard");
    auto* main = new QVBoxLayout(mainCard);
    main->setContentsMargins(0, 0, 0, 0);
    main->setSpacing(16);
    main->addWidget(buildHeroCard());
    main->addWidget(buildPressureCard());
    main->addWidget(buildApplicationsSection());
    main->addWidget(buildAdviceCard());
    stack->addWidget(mainCard);
    if (m_debugPreviewEnabled) {
        stack->addWidget(buildDebugArea());
    }
    stack->addItem(new QSpacerItem(0, 24, QSizePolicy::Minimum, QSizePolicy::Expanding));

    // Nothing is assessed yet, so the panel is calm.
    m_adviceCard->hide();
    AppVisualTheme::onAppearanceChange(this, [this] { AppVisualTheme::refreshColors(this); });
}

QWidget* PanelViewController::buildHeroCard() {
    m_heroCard = new PanelCard(13);
    m_heroCard->setObjectName("heroCard");
    m_heroCard->setMinimumHeight(AppVisualTheme::scaled(108));
    auto* hero = new QVBoxLayout(m_heroCard);
    hero->setContentsMargins(0, 0, 0, 0);
    hero->setSpacing(9);

    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    m_heroEyebrow = AppVisualTheme::makeLabel(QStringLiteral("潮痕"), 11, QFont::DemiBold,
                                              AppVisualTheme::secondaryLabel);
    m_heroEyebrow->setObjectName("heroEyebrow");

    m_historyButton =
        subtleButton(QStringLiteral("最近记录"), QStringLiteral("clock.arrow.circlepath"),
                     &PanelViewController::onShowHistory);
    m_historyButton->setObjectName("historyButton");

    m_notificationButton =
        new SymbolButton({}, QStringLiteral("bell"), SymbolButton::Bezel::rounded);
    m_notificationButton->setObjectName("notificationButton");
    m_notificationButton->setFixedWidth(AppVisualTheme::scaled(28));
    m_notificationButton->setTint(AppVisualTheme::secondary);
    m_notificationButton->setAccessibleName(QStringLiteral("预警通知"));
    connectCallback(m_notificationButton, &PanelViewController::onEnableNotifications);

    m_settingsButton =
        new SymbolButton({}, QStringLiteral("gearshape"), SymbolButton::Bezel::inlined);
    m_settingsButton->setObjectName("settingsButton");
    m_settingsButton->setFixedWidth(AppVisualTheme::scaled(24));
    m_settingsButton->setTint(AppVisualTheme::secondary);
    m_settingsButton->setToolTip(QStringLiteral("设置"));
    m_settingsButton->setAccessibleName(QStringLiteral("设置"));
    connectCallback(m_settingsButton, &PanelViewController::onShowSettings);

    m_quitButton = new SymbolButton({}, QStringLiteral("power"), SymbolButton::Bezel::rounded);
    m_quitButton->setObjectName("quitButton");
    m_quitButton->setFixedWidth(AppVisualTheme::scaled(28));
    m_quitButton->setTint(AppVisualTheme::secondaryLabel);
    m_quitButton->setToolTip(QStringLiteral("退出「潮痕」"));
    m_quitButton->setAccessibleName(QStringLiteral("退出「潮痕」"));
    connectCallback(m_quitButton, &PanelViewController::onQuit);

    header->addWidget(m_heroEyebrow);
    header->addStretch(1);
    header->addWidget(m_historyButton);
    header->addWidget(m_notificationButton);
    header->addWidget(m_settingsButton);
    header->addWidget(m_quitButton);

    auto* statusRow = new QHBoxLayout;
    statusRow->setSpacing(10);
    // Wraps: with a large font the longest status is wider than the panel.
    m_statusLabel = AppVisualTheme::makeLabel(QStringLiteral("正在读取"), 26, QFont::DemiBold,
                                              AppVisualTheme::label, true);
    m_statusLabel->setObjectName("statusLabel");
    m_statusBadge = new StatusBadge;
    m_statusBadge->setObjectName("statusBadge");
    m_statusBadge->setText(QStringLiteral("初始化"));
    m_statusBadge->setLevelColor(AppVisualTheme::secondaryLabel);
    statusRow->addWidget(m_statusLabel);
    statusRow->addStretch(1);
    statusRow->addWidget(m_statusBadge, 0, Qt::AlignVCenter);

    auto* evidence = new ElidedLabel;
    evidence->setObjectName("memoryEvidenceLabel");
    evidence->setFont(AppVisualTheme::font(12));
    evidence->setText(QStringLiteral("正在读取内存"));
    AppVisualTheme::setTextColor(evidence, AppVisualTheme::secondaryLabel);
    m_memoryEvidenceLabel = evidence;

    hero->addLayout(header);
    hero->addLayout(statusRow);
    hero->addWidget(m_memoryEvidenceLabel);
    hero->addStretch(1);
    return m_heroCard;
}

QWidget* PanelViewController::buildPressureCard() {
    m_pressureCard = new PanelCard(13);
    m_pressureCard->setObjectName("pressureCard");
    styleCard(m_pressureCard);
    m_pressureCard->setBorder(AppVisualTheme::separator);
    // Tall enough for the text with room around it; the labels fill the
    // height and centre their text.
    m_pressureCard->setMinimumHeight(AppVisualTheme::scaled(44));
    auto* row = new QHBoxLayout(m_pressureCard);
    row->setContentsMargins(14, 4, 14, 4);
    row->addWidget(AppVisualTheme::makeLabel(QStringLiteral("内存压力"), 13, QFont::Normal,
                                             AppVisualTheme::label));
    row->addStretch(1);
    m_pressureEvidenceLabel = AppVisualTheme::makeLabel(
        QStringLiteral("读取中"), 13, QFont::DemiBold, AppVisualTheme::secondaryLabel);
    m_pressureEvidenceLabel->setObjectName("pressureEvidenceLabel");
    m_pressureEvidenceLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    row->addWidget(m_pressureEvidenceLabel);
    return m_pressureCard;
}

QWidget* PanelViewController::buildApplicationsSection() {
    auto* section = new QWidget;
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(7);
    SymbolButton* refresh = iconButton(QStringLiteral("arrow.clockwise"),
                                       QStringLiteral("刷新排名"), &PanelViewController::onRefresh);
    refresh->setObjectName("refreshButton");
    column->addWidget(applicationCard(refresh));
    // Wraps rather than truncates: the missing-ranking hint is longer than
    // one line and its second half is the point.
    m_appsHintLabel = AppVisualTheme::makeLabel(kHintInitial, 10.5, QFont::Normal,
                                                AppVisualTheme::tertiaryLabel, true);
    m_appsHintLabel->setObjectName("appsHintLabel");
    column->addWidget(m_appsHintLabel);
    return section;
}

QWidget* PanelViewController::applicationCard(SymbolButton* refresh) {
    auto* card = new PanelCard(13);
    card->setObjectName("appsCard");
    styleCard(card);
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(14, 5, 14, 5);
    column->setSpacing(0);

    // The header's label centres in the design's height.
    auto* header = new QWidget;
    header->setMinimumHeight(AppVisualTheme::scaled(27));
    auto* headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(0, 0, 0, 0);
    headerRow->setSpacing(8);
    headerRow->addWidget(AppVisualTheme::makeLabel(QStringLiteral("占用最高"), 11, QFont::Medium,
                                                   AppVisualTheme::secondaryLabel));
    headerRow->addStretch(1);
    headerRow->addWidget(AppVisualTheme::makeLabel(QStringLiteral("应用合计"), 10.5, QFont::Normal,
                                                   AppVisualTheme::tertiaryLabel));
    headerRow->addWidget(refresh);
    column->addWidget(header, 1);
    column->addSpacing(6);

    for (int rank = 1; rank <= 3; ++rank) {
        column->addWidget(new SeparatorLine(card));
        auto* row = new AppUsageRow(card);
        row->setObjectName(QStringLiteral("appRow%1").arg(rank));
        column->addWidget(row);
        m_appRows.push_back(row);
    }
    return card;
}

QWidget* PanelViewController::buildAdviceCard() {
    m_adviceCard = new PanelCard(13);
    m_adviceCard->setObjectName("adviceCard");
    styleCard(m_adviceCard, AppVisualTheme::control);
    m_adviceCard->setMinimumHeight(AppVisualTheme::scaled(48));
    auto* stack = new QGridLayout(m_adviceCard);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);

    auto* textArea = new QWidget;
    auto* textBox = new QVBoxLayout(textArea);
    textBox->setContentsMargins(14, 12, 36, 12);
    m_adviceLabel = new SpacedLabel(3, 4);
    m_adviceLabel->setObjectName("adviceLabel");
    m_adviceLabel->setFont(AppVisualTheme::font(12));
    m_adviceLabel->setText(kAdviceCalm);
    AppVisualTheme::setTextColor(m_adviceLabel, AppVisualTheme::text);
    textBox->addWidget(m_adviceLabel, 0, Qt::AlignVCenter);

    // Lies over the whole card, so a click anywhere on it opens the steps.
    auto* details = new AppThemeAdviceEntry(QStringLiteral("查看步骤"));
    details->setObjectName("adviceDetailsButton");
    details->setToolTip(QStringLiteral("点击建议栏查看缓解步骤"));
    details->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    details->setFocusPolicy(Qt::TabFocus);
    connect(details, &QPushButton::clicked, this, [this] {
        const auto callback = onShowAdvice;
        if (callback) {
            callback();
        }
    });
    m_adviceDetailsButton = details;

    stack->addWidget(textArea, 0, 0);
    stack->addWidget(details, 0, 0);
    details->raise();
    return m_adviceCard;
}

QWidget* PanelViewController::buildDebugArea() {
    auto* area = new QWidget;
    area->setObjectName("debugArea");
    auto* column = new QVBoxLayout(area);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    m_debugStatusLabel =
        AppVisualTheme::makeLabel(QStringLiteral("开发验收：真实监测，未开启预览"), 10,
                                  QFont::Normal, AppVisualTheme::secondaryLabel);
    m_debugStatusLabel->setObjectName("debugStatusLabel");
    column->addWidget(m_debugStatusLabel);

    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    SymbolButton* watch = subtleButton(QStringLiteral("橙色预览"), QStringLiteral("eye"),
                                       &PanelViewController::onTestWatch);
    watch->setObjectName("watchPreviewButton");
    SymbolButton* warning = subtleButton(QStringLiteral("红色预览"), QStringLiteral("bell.badge"),
                                         &PanelViewController::onTestWarning);
    warning->setObjectName("warningPreviewButton");
    m_endPreviewButton = subtleButton(QStringLiteral("结束预览"), QStringLiteral("xmark"),
                                      &PanelViewController::onEndPreview);
    m_endPreviewButton->setObjectName("endPreviewButton");
    m_endPreviewButton->setEnabled(false);
    for (SymbolButton* button : {watch, warning, m_endPreviewButton}) {
        // Ignoring the size hint makes the three equally wide.
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        button->setSymbolSize(13);
        row->addWidget(button, 1);
    }
    column->addLayout(row);
    return area;
}

void PanelViewController::styleCard(PanelCard* card) {
    card->setFill(AppVisualTheme::card);
    card->setBorder(AppVisualTheme::line);
}

void PanelViewController::styleCard(PanelCard* card, const ThemeColor& color) {
    card->setFill(color);
    card->setBorder(std::nullopt);
}

void PanelViewController::connectCallback(SymbolButton* button, Callback action) {
    connect(button, &QPushButton::clicked, this, [this, action] {
        // A copy: the callback may close the popover and discard this panel
        // while it runs.
        const auto callback = this->*action;
        if (callback) {
            callback();
        }
    });
}

SymbolButton* PanelViewController::iconButton(const QString& symbol, const QString& description,
                                              Callback action) {
    auto* button = new SymbolButton({}, symbol, SymbolButton::Bezel::inlined);
    button->setTint(AppVisualTheme::secondaryLabel);
    button->setToolTip(description);
    button->setAccessibleName(description);
    button->setFixedSize(AppVisualTheme::scaled(24), AppVisualTheme::scaled(20));
    button->setSymbolSize(13);
    connectCallback(button, action);
    return button;
}

SymbolButton* PanelViewController::subtleButton(const QString& title, const QString& symbol,
                                                Callback action) {
    auto* button = new SymbolButton(title, symbol, SymbolButton::Bezel::rounded);
    button->setTint(AppVisualTheme::text);
    button->setAccessibleName(title);
    connectCallback(button, action);
    return button;
}

QSize PanelViewController::sizeHint() const {
    return {kWidth, layout()->totalHeightForWidth(kWidth)};
}

void PanelViewController::update(const PanelState& state) {
    const RiskLevel level = state.assessment ? state.assessment->level : RiskLevel::safe;
    const bool calm = level == RiskLevel::safe;
    m_adviceCard->setVisible(!calm);

    applyHero(level, state.isSimulation);
    applyEvidence(level, state.sample);

    if (m_debugPreviewEnabled) {
        m_endPreviewButton->setEnabled(state.isSimulation);
        if (state.isSimulation) {
            m_debugStatusLabel->setText(QStringLiteral("开发验收：%1模拟中，不代表真实压力")
                                            .arg(level == RiskLevel::watch
                                                     ? QStringLiteral("橙色")
                                                     : QStringLiteral("红色")));
        } else if (state.hasEndedPreview) {
            m_debugStatusLabel->setText(QStringLiteral("预览已结束，已返回真实监测"));
        } else {
            m_debugStatusLabel->setText(QStringLiteral("开发验收：真实监测，未开启预览"));
        }
    }

    if (state.isRecovering) {
        m_pressureEvidenceLabel->setText(QStringLiteral("恢复确认中"));
    }

    const QString advice = calm                        ? kAdviceCalm
                           : level == RiskLevel::watch ? kAdviceWatch
                                                       : kAdviceElevated;
    m_adviceLabel->setText(advice);
    m_adviceDetailsButton->setAccessibleName(advice + QStringLiteral(" 查看缓解步骤"));

    if (!state.applicationRankingAvailable) {
        m_appsHintLabel->setText(kHintNoRanking);
    } else {
        m_appsHintLabel->setText(isElevated(level) ? kHintElevated : kHintCalm);
    }

    for (int rank = 1; rank <= 3; ++rank) {
        AppUsageRow* row = m_appRows[rank - 1];
        if (static_cast<size_t>(rank) <= state.applications.size()) {
            row->update(rank, state.applications[rank - 1]);
        } else {
            row->clear(rank);
        }
    }

    if (!state.notificationsAvailable) {
        m_notificationButton->setEnabled(false);
        m_notificationButton->setToolTip(
            QString::fromUtf8(platformTexts().notificationsUnavailableTooltip));
        m_notificationButton->setTint(AppVisualTheme::tertiaryLabel);
    } else {
        m_notificationButton->setEnabled(true);
        m_notificationButton->setTint(AppVisualTheme::secondary);
        if (state.notificationsEnabled) {
            m_notificationButton->setSymbol(QStringLiteral("bell.slash"));
            m_notificationButton->setToolTip(
                QStringLiteral("点击关闭预警通知；监测和记录继续运行"));
            m_notificationButton->setAccessibleName(QStringLiteral("关闭提醒，目前提醒开启"));
        } else {
            m_notificationButton->setSymbol(QStringLiteral("bell"));
            m_notificationButton->setToolTip(QStringLiteral("点击开启预警通知"));
            m_notificationButton->setAccessibleName(QStringLiteral("开启提醒，目前提醒关闭"));
        }
    }
    // The popover is sized from sizeHint() right after this returns.
    refreshSizeHints(this);
}

void PanelViewController::applyHero(RiskLevel level, bool isSimulation) {
    QString status;
    QString badge;
    switch (level) {
        case RiskLevel::safe:
            status = QStringLiteral("状态良好");
            badge = QStringLiteral("正常");
            break;
        case RiskLevel::watch:
            status = QStringLiteral("正在观察");
            badge = QStringLiteral("留意");
            break;
        case RiskLevel::warning:
            status = QStringLiteral("接近卡顿");
            badge = QStringLiteral("预警");
            break;
        case RiskLevel::critical:
            status = QStringLiteral("请立即保存工作");
            badge = QStringLiteral("高风险");
            break;
    }
    if (isSimulation) {
        badge += QStringLiteral("·预览");
    }
    m_statusLabel->setText(status);
    m_statusBadge->setText(badge);
    m_statusBadge->setLevelColor(levelColor(level));
    m_statusBadge->updateGeometry();

    const bool red = isElevated(level);
    m_adviceCard->setFill(red ? kAdviceFillRed : kAdviceFillAmber);
    AppVisualTheme::setTextColor(m_adviceLabel, red ? kAdviceTextRed : kAdviceTextAmber);
    m_heroCard->setFill(std::nullopt);
}

void PanelViewController::applyEvidence(RiskLevel level,
                                        const std::optional<LightweightSample>& sample) {
    switch (level) {
        case RiskLevel::safe:
            m_pressureEvidenceLabel->setText(QStringLiteral("压力正常"));
            break;
        case RiskLevel::watch:
            m_pressureEvidenceLabel->setText(QStringLiteral("压力升高"));
            break;
        case RiskLevel::warning:
            m_pressureEvidenceLabel->setText(QStringLiteral("持续升高"));
            break;
        case RiskLevel::critical:
            m_pressureEvidenceLabel->setText(QStringLiteral("高风险"));
            break;
    }
    AppVisualTheme::setTextColor(m_pressureEvidenceLabel, levelColor(level));

    if (!sample) {
        m_memoryEvidenceLabel->setText(QStringLiteral("正在读取内存"));
    } else if (sample->memoryUsedBytes) {
        m_memoryEvidenceLabel->setText(QStringLiteral("内存约 %1 / %2")
                                           .arg(memoryFigure(*sample->memoryUsedBytes),
                                                memoryFigure(sample->physicalMemoryBytes)));
    } else {
        m_memoryEvidenceLabel->setText(QStringLiteral("系统内存 ") +
                                       memoryFigure(sample->physicalMemoryBytes));
    }
}

}  // namespace tidemark::ui
