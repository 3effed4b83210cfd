#include "ui/SettingsWindowController.h"

#include <QBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <algorithm>

#include "ui/AppVisualTheme.h"
#include "ui/WidgetSupport.h"
#include "ui/widgets/SettingsNavigationButton.h"
#include "ui/widgets/SettingsSurface.h"
#include "ui/widgets/SettingsToggle.h"
#include "ui/widgets/SymbolView.h"

namespace tidemark::ui {

namespace {

using Theme = AppVisualTheme;

// The design's width; a larger font widens the window beyond it.
constexpr int kMinimumWidth = 440;
// The empty band at the top of the window, its rule on its last line.
constexpr int kHeaderBandHeight = 46;
const QMargins kContentMargins(24, 53, 24, 27);
constexpr int kTitleToCaption = 5;
constexpr int kCaptionToSection = 22;
constexpr int kCardToSection = 25;
constexpr int kSectionToCard = 8;
constexpr int kCardToFooter = 25;
constexpr int kFooterToStatus = 9;
// Section headings stand a little in from the cards' edge.
constexpr int kSectionIndent = 2;

// Inside a card: a one-pixel outline, and rows two pixels apart with the
// rule between them in that gap.
constexpr int kCardOutline = 1;
constexpr int kRowGap = 2;
const QMargins kRowMargins(22, 17, 16, 17);
// The history card's text keeps clear of the chevron at its right end.
const QMargins kLinkRowMargins(kRowMargins.left(), kRowMargins.top(),
                               SettingsNavigationButton::kChevronClearance, kRowMargins.bottom());
constexpr int kRowSpacing = 19;
constexpr int kTitleToNote = 4;
constexpr QSize kRowSymbolSize(16, 16);
constexpr QSize kFooterSymbolSize(12, 16);
constexpr int kFooterSpacing = 7;

const QString kLaunchTitle = QStringLiteral("登录时自动启动");

// Labels here only describe; clicks reach the card or window beneath.
QLabel* makeLabel(QWidget* parent, const QString& text, qreal size, QFont::Weight weight,
                  const ThemeColor& color) {
    QLabel* label = Theme::makeLabel(text, size, weight, color, false, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

SymbolView* makeSymbol(QWidget* parent, const QString& symbol, QSize size) {
    return new SymbolView(symbol, size, parent);
}

QWidget* makeCard(SettingsSurface* surface) {
    auto* card = new QWidget(surface);
    auto* rows = new QVBoxLayout(card);
    rows->setContentsMargins(kCardOutline, kCardOutline, kCardOutline, kCardOutline);
    rows->setSpacing(kRowGap);
    surface->addCard(card);
    return card;
}

// A symbol, then a title over a note; returns the row so a control can
// follow at its right end.
QHBoxLayout* addRow(QWidget* card, const QString& symbol, const QString& title, const QString& note,
                    const QMargins& margins) {
    auto* row = new QHBoxLayout;
    static_cast<QBoxLayout*>(card->layout())->addLayout(row);
    row->setContentsMargins(margins);
    row->setSpacing(kRowSpacing);
    row->addWidget(makeSymbol(card, symbol, kRowSymbolSize), 0, Qt::AlignVCenter);
    auto* text = new QVBoxLayout;
    row->addLayout(text, 1);
    text->setSpacing(kTitleToNote);
    text->addWidget(makeLabel(card, title, 13, QFont::DemiBold, Theme::label));
    text->addWidget(makeLabel(card, note, 11, QFont::Normal, Theme::secondaryLabel));
    return row;
}

QLabel* makeSectionLabel(QWidget* parent, const QString& text) {
    QLabel* label = makeLabel(parent, text, 11, QFont::Medium, Theme::secondaryLabel);
    label->setContentsMargins(kSectionIndent, 0, 0, 0);
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

    auto* outer = new QVBoxLayout(window);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* band = new QWidget(window);
    band->setFixedHeight(kHeaderBandHeight);
    window->setHeaderBand(band);
    outer->addWidget(band);
    auto* content = new QVBoxLayout;
    outer->addLayout(content);
    // A window kept taller than its content leaves the space at the bottom.
    outer->addStretch(1);
    content->setContentsMargins(kContentMargins);
    content->setSpacing(0);

    // The window's own title bar names it; a second caption inside would
    // repeat it.
    const auto secondary = Theme::secondaryLabel;
    content->addWidget(
        makeLabel(window, QStringLiteral("设置"), 26, QFont::DemiBold, Theme::label));
    content->addSpacing(kTitleToCaption);
    content->addWidget(makeLabel(window, QStringLiteral("轻量监测，提醒由你决定。"), 12,
                                 QFont::Normal, secondary));

    content->addSpacing(kCaptionToSection);
    content->addWidget(makeSectionLabel(window, QStringLiteral("运行偏好")));
    content->addSpacing(kSectionToCard);
    QWidget* preferences = makeCard(window);
    content->addWidget(preferences);
    m_launchAtLoginCheckbox = new SettingsToggle(kLaunchTitle, preferences);
    m_launchAtLoginCheckbox->setObjectName(QStringLiteral("launchAtLoginCheckbox"));
    addRow(preferences, QStringLiteral("timer"), kLaunchTitle,
           Theme::platformText(&PlatformTexts::launchRowNote), kRowMargins)
        ->addWidget(m_launchAtLoginCheckbox, 0, Qt::AlignVCenter);
    connect(m_launchAtLoginCheckbox, &QAbstractButton::clicked, this,
            &SettingsWindowController::toggleLaunchAtLogin);

    m_remindersCheckbox = new SettingsToggle(QStringLiteral("开启预警提醒"), preferences);
    m_remindersCheckbox->setObjectName(QStringLiteral("remindersCheckbox"));
    addRow(preferences, QStringLiteral("bell"), QStringLiteral("预警提醒"),
           QStringLiteral("关闭后仍会监测和记录，重启保留选择。"), kRowMargins)
        ->addWidget(m_remindersCheckbox, 0, Qt::AlignVCenter);
    connect(m_remindersCheckbox, &QAbstractButton::clicked, this,
            &SettingsWindowController::changeReminders);

    content->addSpacing(kCardToSection);
    content->addWidget(makeSectionLabel(window, QStringLiteral("本机记录")));
    content->addSpacing(kSectionToCard);
    // The whole card is the link, so a click anywhere on it opens the
    // history.
    auto* historyLink = new SettingsNavigationButton(QStringLiteral("查看最近记录 →"), window);
    historyLink->setObjectName(QStringLiteral("settingsHistoryLink"));
    historyLink->setAccessibleName(QStringLiteral("查看最近记录"));
    auto* historyRows = new QVBoxLayout(historyLink);
    historyRows->setContentsMargins(kCardOutline, kCardOutline, kCardOutline, kCardOutline);
    window->addCard(historyLink);
    addRow(historyLink, QStringLiteral("clock.arrow.circlepath"), QStringLiteral("最近记录"),
           QStringLiteral("查看预警、恢复与监测中断。"), kLinkRowMargins);
    content->addWidget(historyLink);
    connect(historyLink, &QAbstractButton::clicked, this, &SettingsWindowController::openHistory);

    content->addSpacing(kCardToFooter);
    // The spacing above the status message goes with it while it is hidden.
    auto* bottom = new QVBoxLayout;
    content->addLayout(bottom);
    bottom->setSpacing(kFooterToStatus);
    auto* footer = new QHBoxLayout;
    bottom->addLayout(footer);
    footer->setSpacing(kFooterSpacing);
    footer->addWidget(makeSymbol(window, QStringLiteral("checkmark.shield"), kFooterSymbolSize), 0,
                      Qt::AlignVCenter);
    footer->addWidget(makeLabel(window, QStringLiteral("完全本地运行，不上传进程或风险记录。"), 10,
                                QFont::Normal, secondary),
                      1);

    m_statusLabel = Theme::makeLabel(QString(), 11, QFont::Normal, secondary, true, window);
    m_statusLabel->setObjectName(QStringLiteral("settingsStatusLabel"));
    m_statusLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A message wraps at the window's width rather than widening it.
    QSizePolicy statusPolicy = m_statusLabel->sizePolicy();
    statusPolicy.setHorizontalPolicy(QSizePolicy::Ignored);
    m_statusLabel->setSizePolicy(statusPolicy);
    m_statusLabel->hide();
    bottom->addWidget(m_statusLabel);

    Theme::onAppearanceChange(window, [window] { Theme::refreshColors(window); });
    fitWindow(true);
}

void SettingsWindowController::fitWindow(bool mayShrink) {
    // Brings the nested layouts' size hints up to date after a change of
    // text or visibility.
    m_window->layout()->activate();
    const int width = std::max(kMinimumWidth, m_window->sizeHint().width());
    int height = m_window->heightForWidth(width);
    if (height < 0) {
        height = m_window->sizeHint().height();
    }
    if (!mayShrink) {
        height = std::max(height, m_window->height());
    }
    m_window->setFixedSize(width, height);
}

void SettingsWindowController::setStatus(const QString& text) {
    m_statusLabel->setText(text);
    m_statusLabel->setVisible(!text.isEmpty());
}

void SettingsWindowController::show(bool isLaunchAtLoginEnabled, bool launchAtLoginAvailable,
                                    std::function<std::optional<std::string>(bool)> onChange) {
    m_onChange = std::move(onChange);
    m_launchAtLoginCheckbox->setChecked(isLaunchAtLoginEnabled);
    m_launchAtLoginCheckbox->setEnabled(launchAtLoginAvailable);
    if (launchAtLoginAvailable) {
        m_launchAtLoginCheckbox->setToolTip(kLaunchTitle);
        setStatus(QString());
    } else {
        m_launchAtLoginCheckbox->setToolTip(
            Theme::platformText(&PlatformTexts::launchUnavailableTooltip));
        setStatus(Theme::platformText(&PlatformTexts::launchUnavailableMessage));
    }
    // Each opening starts from the height its own content needs; a message
    // from an earlier opening has been replaced above.
    fitWindow(true);
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
        setStatus(Theme::platformText(&PlatformTexts::launchFailure));
    } else {
        setStatus(QString());
    }
    // Within one opening the window grows for a message but does not jump
    // back when it goes.
    fitWindow(false);
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
