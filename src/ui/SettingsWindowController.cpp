#include "ui/SettingsWindowController.h"

#include <QLabel>
#include <QMessageBox>

#include "ui/AppVisualTheme.h"
#include "ui/WidgetSupport.h"
#include "ui/widgets/SettingsNavigationButton.h"
#include "ui/widgets/SettingsSurface.h"
#include "ui/widgets/SettingsToggle.h"
#include "ui/widgets/SymbolView.h"

namespace tidemark::ui {

namespace {

using Theme = AppVisualTheme;

constexpr int kWidth = 440;
constexpr int kHeight = 548;
constexpr int kFailureHeight = 578;
constexpr int kUnavailableHeight = 602;
const QRect kStatusFrame(24, 530, 392, 40);
constexpr int kUnavailableStatusHeight = 62;

const QString kLaunchTitle = QStringLiteral("登录时自动启动");

QLabel* placeLabel(QWidget* parent, const QString& text, const QRect& frame, qreal size,
                   QFont::Weight weight, const ThemeColor& color,
                   Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop) {
    QLabel* label = Theme::makeLabel(text, size, weight, color, false, parent);
    label->setGeometry(frame);
    label->setAlignment(alignment);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

}  // namespace

// --- The window ----------------------------------------------------------------

SettingsWindowController::SettingsWindowController(QObject* parent) : QObject(parent) {
    configureView();
}

SettingsWindowController::~SettingsWindowController() {
    delete m_window;
}

void SettingsWindowController::configureView() {
    auto* window = new SettingsSurface();
    m_window = window;
    window->setObjectName(QStringLiteral("settingsWindow"));
    window->setWindowTitle(QStringLiteral("潮痕 · 设置"));
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    window->setFocusPolicy(Qt::ClickFocus);
    window->setFixedSize(kWidth, kHeight);

    // The window's own title bar names it; a second caption inside would
    // repeat it.
    const auto secondary = Theme::secondaryLabel;
    placeLabel(window, QStringLiteral("设置"), {24, 99, 392, 34}, 26, QFont::DemiBold,
               Theme::label);
    placeLabel(window, QStringLiteral("轻量监测，提醒由你决定。"), {24, 142, 392, 34}, 12,
               QFont::Normal, secondary);

    placeLabel(window, QStringLiteral("运行偏好"), {26, 182, 200, 34}, 11, QFont::Medium,
               secondary);
    placeLabel(window, kLaunchTitle, {82, 224, 280, 34}, 13, QFont::DemiBold, Theme::label);
    placeLabel(window, Theme::platformText(&PlatformTexts::launchRowNote), {82, 247, 280, 34}, 11,
               QFont::Normal, secondary);
    m_launchAtLoginCheckbox = new SettingsToggle(kLaunchTitle, window);
    m_launchAtLoginCheckbox->setObjectName(QStringLiteral("launchAtLoginCheckbox"));
    m_launchAtLoginCheckbox->setGeometry(365, 232, 34, 24);
    connect(m_launchAtLoginCheckbox, &QAbstractButton::clicked, this,
            &SettingsWindowController::toggleLaunchAtLogin);

    placeLabel(window, QStringLiteral("预警提醒"), {82, 299, 280, 34}, 13, QFont::DemiBold,
               Theme::label);
    placeLabel(window, QStringLiteral("关闭后仍会监测和记录，重启保留选择。"), {82, 322, 290, 34},
               11, QFont::Normal, secondary);
    m_remindersCheckbox = new SettingsToggle(QStringLiteral("开启预警提醒"), window);
    m_remindersCheckbox->setObjectName(QStringLiteral("remindersCheckbox"));
    m_remindersCheckbox->setGeometry(365, 307, 34, 24);
    connect(m_remindersCheckbox, &QAbstractButton::clicked, this,
            &SettingsWindowController::changeReminders);

    placeLabel(window, QStringLiteral("本机记录"), {26, 381, 200, 34}, 11, QFont::Medium,
               secondary);
    placeLabel(window, QStringLiteral("最近记录"), {82, 423, 270, 34}, 13, QFont::DemiBold,
               Theme::label);
    placeLabel(window, QStringLiteral("查看预警、恢复与监测中断。"), {82, 446, 285, 34}, 11,
               QFont::Normal, secondary);

    placeLabel(window, QStringLiteral("完全本地运行，不上传进程或风险记录。"), {43, 505, 368, 34},
               10, QFont::Normal, secondary);
    m_statusLabel = Theme::makeLabel(QString(), 11, QFont::Normal, secondary, true, window);
    m_statusLabel->setObjectName(QStringLiteral("settingsStatusLabel"));
    m_statusLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_statusLabel->setGeometry(kStatusFrame);

    new SymbolView(QStringLiteral("timer"), {47, 235, 16, 16}, window);
    new SymbolView(QStringLiteral("bell"), {47, 310, 16, 16}, window);
    new SymbolView(QStringLiteral("clock.arrow.circlepath"), {47, 434, 16, 16}, window);
    new SymbolView(QStringLiteral("checkmark.shield"), {24, 505, 12, 16}, window);

    // Covers the whole history card, so a click anywhere on it opens the
    // history; created last to lie above the card's labels.
    auto* historyLink = new SettingsNavigationButton(QStringLiteral("查看最近记录 →"), window);
    historyLink->setObjectName(QStringLiteral("settingsHistoryLink"));
    historyLink->setAccessibleName(QStringLiteral("查看最近记录"));
    historyLink->setGeometry(24, 405, 392, 75);
    historyLink->raise();
    connect(historyLink, &QAbstractButton::clicked, this, &SettingsWindowController::openHistory);

    Theme::onAppearanceChange(window, [window] { Theme::refreshColors(window); });
}

void SettingsWindowController::setContentHeight(int height) {
    m_window->setFixedSize(kWidth, height);
}

void SettingsWindowController::show(bool isLaunchAtLoginEnabled, bool launchAtLoginAvailable,
                                    std::function<std::optional<std::string>(bool)> onChange) {
    m_onChange = std::move(onChange);
    m_launchAtLoginCheckbox->setChecked(isLaunchAtLoginEnabled);
    m_statusLabel->clear();
    m_launchAtLoginCheckbox->setEnabled(launchAtLoginAvailable);
    // Each opening starts from the compact layout; a message shown during
    // an earlier opening has been cleared above.
    m_statusLabel->setGeometry(kStatusFrame);
    setContentHeight(kHeight);
    if (launchAtLoginAvailable) {
        m_launchAtLoginCheckbox->setToolTip(kLaunchTitle);
    } else {
        m_launchAtLoginCheckbox->setToolTip(
            Theme::platformText(&PlatformTexts::launchUnavailableTooltip));
        m_statusLabel->setText(Theme::platformText(&PlatformTexts::launchUnavailableMessage));
        setContentHeight(kUnavailableHeight);
        QRect frame = kStatusFrame;
        frame.setHeight(kUnavailableStatusHeight);
        m_statusLabel->setGeometry(frame);
    }
    m_launchAtLoginCheckbox->update();

    m_window->show();
    centreOnScreen(m_window);
    m_window->setFocus();
    m_window->raise();
    m_window->activateWindow();
}

void SettingsWindowController::updateReminders(bool enabled, bool available) {
    m_remindersCheckbox->setChecked(enabled);
    m_remindersCheckbox->setEnabled(available);
    m_remindersCheckbox->setToolTip(available
                                        ? QStringLiteral("关闭后仍会监测和记录，重启保留选择。")
                                        : QStringLiteral("当前通知不可用"));
    m_remindersCheckbox->update();
}

void SettingsWindowController::toggleLaunchAtLogin() {
    const bool on = m_launchAtLoginCheckbox->isChecked();
    std::optional<std::string> failure;
    if (m_onChange) {
        failure = m_onChange(on);
    }
    if (failure) {
        m_launchAtLoginCheckbox->setChecked(!on);
        setContentHeight(kFailureHeight);
        m_statusLabel->setText(Theme::platformText(&PlatformTexts::launchFailure));
    } else {
        m_statusLabel->clear();
    }
    m_launchAtLoginCheckbox->update();
}

void SettingsWindowController::changeReminders() {
    if (onRemindersChanged) {
        onRemindersChanged(m_remindersCheckbox->isChecked());
    }
    m_remindersCheckbox->update();
}

void SettingsWindowController::openHistory() {
    m_window->close();
    if (onShowHistory) {
        onShowHistory();
    }
}

void SettingsWindowController::showPermissionNotice() {
    if (m_permissionNotice) {
        m_permissionNotice->close();
    }
    auto* notice = new QMessageBox(m_window);
    notice->setObjectName(QStringLiteral("settingsPermissionNotice"));
    notice->setWindowTitle(QStringLiteral("潮痕"));
    notice->setIcon(QMessageBox::Information);
    notice->setTextFormat(Qt::PlainText);
    notice->setText(QStringLiteral("系统通知权限未开启"));
    notice->setInformativeText(Theme::platformText(&PlatformTexts::notificationPermissionHint) +
                               QStringLiteral("监测和记录不受影响。"));
    notice->setStandardButtons(QMessageBox::Ok);
    notice->setWindowModality(Qt::WindowModal);
    notice->setAttribute(Qt::WA_DeleteOnClose);
    m_permissionNotice = notice;
    notice->open();
}

}  // namespace tidemark::ui
