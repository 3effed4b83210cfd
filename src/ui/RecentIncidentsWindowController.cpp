#include "ui/RecentIncidentsWindowController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStringList>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <ctime>

#include "advice/NotificationContent.h"
#include "core/Formatting.h"
#include "history/IncidentStore.h"
#include "ui/AppVisualTheme.h"
#include "ui/WidgetSupport.h"
#include "ui/widgets/PanelCard.h"

namespace tidemark::ui {

namespace {

using Theme = AppVisualTheme;

// "3月14日 09:26", written out by hand so that no locale data can change it.
QString formatStart(Timestamp startedAt) {
    // Far outside any real clock the conversion to time_t would overflow.
    constexpr double kLimitSeconds = 1e12;
    const double clamped = std::isfinite(startedAt)
                               ? std::clamp(std::floor(startedAt), -kLimitSeconds, kLimitSeconds)
                               : 0.0;
    const std::time_t seconds = static_cast<std::time_t>(clamped);
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr) {
        return QString();
    }
    return QStringLiteral("%1月%2日 %3:%4")
        .arg(local.tm_mon + 1)
        .arg(local.tm_mday)
        .arg(local.tm_hour, 2, 10, QLatin1Char('0'))
        .arg(local.tm_min, 2, 10, QLatin1Char('0'));
}

QString applicationsText(const std::vector<AppMemory>& applications) {
    if (applications.empty()) {
        return QStringLiteral("未读取到主要占用应用");
    }
    QStringList entries;
    for (size_t i = 0; i < applications.size() && i < 3; ++i) {
        entries << qs(applications[i].name) + QLatin1Char(' ') +
                       qs(formatBytes(applications[i].footprintBytes));
    }
    return QStringLiteral("主要占用：") + entries.join(QStringLiteral("、"));
}

QString outcomeText(const IncidentRecord& record) {
    if (record.recoveredAt) {
        // Truncated toward zero; a recovery in the first minute, or one
        // stamped before the start by a changed clock, still reads 1.
        const double minutes = std::trunc((*record.recoveredAt - record.startedAt) / 60.0);
        const double shown = minutes >= 1 ? std::min(minutes, 1e15) : 1.0;
        return QStringLiteral("系统约 %1 分钟后恢复正常").arg(static_cast<qint64>(shown));
    }
    if (record.monitoringInterruptedAt) {
        return QStringLiteral("监测曾中断，未确认恢复时间");
    }
    return QStringLiteral("尚未记录到恢复");
}

QWidget* makeCard(const IncidentRecord& record) {
    auto* card = new PanelCard(13);
    card->setFill(Theme::card);
    card->setBorder(Theme::line);
    card->setObjectName(QStringLiteral("incidentCard"));
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(5);

    const QString level = record.highestLevel == RiskLevel::critical ? QStringLiteral("高风险")
                                                                     : QStringLiteral("预警");
    QLabel* title = Theme::makeLabel(formatStart(record.startedAt) + QStringLiteral(" · ") + level,
                                     13, QFont::DemiBold, Theme::label);
    title->setObjectName(QStringLiteral("incidentTitle"));
    QLabel* applications = Theme::makeLabel(applicationsText(record.topApplications), 11,
                                            QFont::Normal, Theme::secondaryLabel, true);
    applications->setObjectName(QStringLiteral("incidentApplications"));
    QLabel* outcome =
        Theme::makeLabel(outcomeText(record), 11, QFont::Normal, Theme::secondaryLabel);
    outcome->setObjectName(QStringLiteral("incidentOutcome"));
    layout->addWidget(title);
    layout->addWidget(applications);
    for (const IncidentKill& kill : record.kills) {
        QLabel* line =
            Theme::makeLabel(qs(killHistoryLine(kill.killer, kill.certain, kill.application)), 11,
                             QFont::Normal, Theme::systemRed, true);
        line->setObjectName(QStringLiteral("incidentKill"));
        layout->addWidget(line);
    }
    layout->addWidget(outcome);
    return card;
}

}  // namespace

void RecentIncidentsWindowController::defaultPresent(QWidget* window) {
    if (!window->isVisible()) {
        centreOnScreen(window);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

RecentIncidentsWindowController::RecentIncidentsWindowController(
    std::function<void(QWidget*)> presentWindow, QObject* parent)
    : QObject(parent), m_presentWindow(std::move(presentWindow)) {
    configureView();
}

RecentIncidentsWindowController::~RecentIncidentsWindowController() {
    delete m_window;
}

void RecentIncidentsWindowController::configureView() {
    auto* window = new AppThemeSurface();
    m_window = window;
    window->setObjectName(QStringLiteral("recentIncidentsWindow"));
    window->setWindowTitle(QStringLiteral("最近记录"));
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);

    auto* root = new QVBoxLayout(window);
    root->setContentsMargins(20, 18, 20, 16);
    root->setSpacing(10);
    root->addWidget(
        Theme::makeLabel(QStringLiteral("最近 7 天异常事件"), 18, QFont::DemiBold, Theme::label));
    root->addWidget(Theme::makeLabel(Theme::platformText(&PlatformTexts::historyNote), 11,
                                     QFont::Normal, Theme::secondaryLabel, true));

    auto* document = new QWidget;
    auto* documentLayout = new QVBoxLayout(document);
    documentLayout->setContentsMargins(0, 0, 0, 0);
    documentLayout->setSpacing(0);
    m_contentStack = new QWidget;
    m_contentStack->setObjectName(QStringLiteral("incidentContentStack"));
    m_contentLayout = new QVBoxLayout(m_contentStack);
    m_contentLayout->setContentsMargins(0, 0, 0, 0);
    m_contentLayout->setSpacing(10);
    documentLayout->addWidget(m_contentStack);
    // Keeps a short list at the top of a tall view.
    documentLayout->addStretch(1);

    QScrollArea* scroll = documentScroll(document, documentLayout, 240);
    scroll->setObjectName(QStringLiteral("incidentScroll"));
    root->addWidget(scroll, 1);

    auto* clearRow = new QHBoxLayout;
    clearRow->addStretch(1);
    auto* clear = new QPushButton(QStringLiteral("清除记录"));
    clear->setObjectName(QStringLiteral("incidentClear"));
    connect(clear, &QPushButton::clicked, this, &RecentIncidentsWindowController::clearPressed);
    clearRow->addWidget(clear);
    root->addLayout(clearRow);

    Theme::onAppearanceChange(window, [window] { Theme::refreshColors(window); });

    // The design's size, or more where the user's font needs it: the list
    // scrolls, the header and the button are never squeezed. Measured at
    // the design's width, which the window keeps unless its content needs more.
    const QSize design(430, 380);
    const int width = std::max(design.width(), root->totalMinimumSize().width());
    int height = root->totalMinimumSize().height();
    if (root->hasHeightForWidth()) {
        height = std::max(height, root->totalMinimumHeightForWidth(width));
    }
    window->setFixedSize(width, std::max(design.height(), height));
}

void RecentIncidentsWindowController::reload(const std::vector<IncidentRecord>& records,
                                             const std::optional<std::string>& storageError) {
    while (QLayoutItem* item = m_contentLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    if (storageError) {
        // Without a home directory there is nothing to fix in the permissions.
        const bool memoryOnly = *storageError == IncidentStore::kMemoryOnlyDescription;
        QLabel* error = Theme::makeLabel(
            memoryOnly
                ? QStringLiteral(
                      "找不到可用的主目录，最近记录只保存在内存中，退出「潮痕」后不再保留。"
                      "风险预警仍会正常工作。")
                : QStringLiteral(
                      "无法保存最近记录。风险预警仍会正常工作，请检查「潮痕」的文件访问权限。"),
            13, QFont::Normal, Theme::systemRed, true);
        error->setObjectName(QStringLiteral("incidentStorageError"));
        m_contentLayout->addWidget(error);
    }
    if (records.empty()) {
        if (!storageError) {
            QLabel* empty = Theme::makeLabel(QStringLiteral("最近 7 天没有记录到异常事件。"), 13,
                                             QFont::Normal, Theme::secondaryLabel, true);
            empty->setObjectName(QStringLiteral("incidentEmpty"));
            m_contentLayout->addWidget(empty);
        }
        return;
    }
    for (const IncidentRecord& record : records) {
        m_contentLayout->addWidget(makeCard(record));
    }
}

void RecentIncidentsWindowController::clearPressed() {
    std::optional<std::string> storageError;
    if (onClear) {
        storageError = onClear();
    }
    reload({}, storageError);
}

void RecentIncidentsWindowController::presentWindow() {
    if (m_presentWindow && m_window) {
        m_presentWindow(m_window);
    }
}

}  // namespace tidemark::ui
