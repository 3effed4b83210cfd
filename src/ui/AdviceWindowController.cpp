#include "ui/AdviceWindowController.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "advice/AdviceFollowUp.h"
#include "advice/ConciseSteps.h"
#include "ui/AppVisualTheme.h"
#include "ui/WidgetSupport.h"
#include "ui/widgets/AdviceCard.h"
#include "ui/widgets/AdviceRoundedButton.h"
#include "ui/widgets/AdviceSelectionItem.h"
#include "ui/widgets/AdviceStepNumber.h"
#include "ui/widgets/FilledBox.h"
#include "ui/widgets/PopoverSurface.h"
#include "ui/widgets/SeparatorLine.h"
#include "ui/widgets/TextButton.h"

namespace tidemark::ui {

namespace {

using Theme = AppVisualTheme;

QLabel* wrappingLabel(const char* objectName, qreal size, QFont::Weight weight,
                      const ThemeColor& color) {
    QLabel* label = Theme::makeLabel(QString(), size, weight, color, true);
    label->setObjectName(QLatin1String(objectName));
    return label;
}

const QString kEvidenceTitle = QStringLiteral("为什么建议检查它");

// The design's sizes, with and without a plan. The user's font or a long
// line may need more; the window then grows, it never squeezes its text.
constexpr QSize kPlanMinimum(500, 600);
constexpr QSize kPlanOpening(520, 660);
constexpr QSize kEmptyMinimum(500, 300);
constexpr QSize kEmptyOpening(520, 300);
// What is left of those minimum heights for the scrolling document at the
// default font, once the header and the footer have their room.
constexpr int kPlanDocumentMinimum = 300;
constexpr int kEmptyDocumentMinimum = 96;

QStringList stepsFor(const AdvicePlan& plan, bool watching) {
    QStringList steps;
    for (const std::string& step : ConciseSteps::forPlan(plan, watching)) {
        steps << qs(step);
    }
    return steps;
}

}  // namespace

// --- The window ----------------------------------------------------------------

AdviceWindowController::AdviceWindowController(QObject* parent) : QObject(parent) {
    configureView();
}

AdviceWindowController::~AdviceWindowController() {
    delete m_window;
}

void AdviceWindowController::configureView() {
    auto* window = new AppThemeSurface();
    m_window = window;
    window->setObjectName(QStringLiteral("adviceWindow"));
    window->setWindowTitle(QStringLiteral("缓解步骤"));
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint);
    // Owning the window's focus keeps any control from starting focused.
    window->setFocusPolicy(Qt::ClickFocus);

    auto* root = new QVBoxLayout(window);
    root->setContentsMargins(24, 22, 24, 20);
    root->setSpacing(12);
    buildHeader(root);
    buildChooser(root);
    root->addWidget(buildDocument(), 1);
    buildFooter(root);

    Theme::onAppearanceChange(window, [window] { Theme::refreshColors(window); });
    renderNoPlan();
    setWindowFloor(kPlanMinimum);
    window->resize(kPlanOpening.expandedTo(window->minimumSize()));
}

void AdviceWindowController::buildHeader(QVBoxLayout* root) {
    root->addWidget(Theme::makeLabel(QStringLiteral("先确认，再处理"), 11, QFont::Medium,
                                     Theme::secondaryLabel));
    m_summaryLabel = wrappingLabel("adviceSummary", 26, QFont::DemiBold, Theme::label);
    root->addWidget(m_summaryLabel);
    root->addWidget(Theme::makeLabel(QStringLiteral("只处理你确认暂时不用的对象。"), 12,
                                     QFont::Normal, Theme::secondaryLabel, true));
    auto* rule = new SeparatorLine;
    root->addWidget(rule);
    m_actionableViews.push_back(rule);
}

void AdviceWindowController::buildChooser(QVBoxLayout* root) {
    auto* row = new QWidget;
    row->setObjectName(QStringLiteral("adviceChooserRow"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Theme::makeLabel(QStringLiteral("当前检查对象"), 11, QFont::DemiBold,
                                       Theme::secondaryLabel),
                      0, Qt::AlignVCenter);
    layout->addStretch(1);
    m_selectorButton = new AdviceRoundedButton(QStringLiteral("选择对象"));
    m_selectorButton->setObjectName(QStringLiteral("adviceSelectorButton"));
    m_selectorButton->setAccessibleName(QStringLiteral("选择当前检查对象"));
    connect(m_selectorButton, &QAbstractButton::clicked, this,
            &AdviceWindowController::openSelection);
    layout->addWidget(m_selectorButton, 0, Qt::AlignVCenter);
    root->addWidget(row);

    auto* rule = new SeparatorLine;
    root->addWidget(rule);
    m_actionableViews.push_back(row);
    m_actionableViews.push_back(rule);
}

QWidget* AdviceWindowController::buildDocument() {
    auto* document = new QWidget;
    document->setObjectName(QStringLiteral("adviceDocument"));
    auto* documentLayout = new QVBoxLayout(document);
    documentLayout->setContentsMargins(0, 0, 0, 0);
    documentLayout->setSpacing(12);

    auto* banner = new FilledBox(Theme::control, 13);
    auto* bannerLayout = new QVBoxLayout(banner);
    bannerLayout->setContentsMargins(16, 14, 16, 14);
    m_decision = wrappingLabel("adviceDecision", 14, QFont::DemiBold, Theme::text);
    bannerLayout->addWidget(m_decision);
    documentLayout->addWidget(banner);

    m_conditionLabel = wrappingLabel("adviceCondition", 12, QFont::Normal, Theme::label);
    documentLayout->addWidget(
        new AdviceCard(QStringLiteral("执行前，请确认"), m_conditionLabel, true));

    m_stepsStack = new QWidget;
    m_stepsStack->setObjectName(QStringLiteral("adviceSteps"));
    m_stepsLayout = new QVBoxLayout(m_stepsStack);
    m_stepsLayout->setContentsMargins(0, 0, 0, 0);
    m_stepsLayout->setSpacing(16);
    documentLayout->addWidget(new AdviceCard(QStringLiteral("按顺序操作"), m_stepsStack, false));

    m_fallbackLabel = wrappingLabel("adviceFallback", 12, QFont::Normal, Theme::label);
    documentLayout->addWidget(m_fallbackLabel);
    documentLayout->addWidget(buildEvidence());
    documentLayout->addStretch(1);

    m_adviceScroll = documentScroll(document, documentLayout, kPlanDocumentMinimum);
    m_adviceScroll->setObjectName(QStringLiteral("adviceScroll"));
    return m_adviceScroll;
}

QWidget* AdviceWindowController::buildEvidence() {
    auto* block = new QWidget;
    auto* layout = new QVBoxLayout(block);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    m_evidenceToggle = new TextButton(kEvidenceTitle, 12, Theme::secondary);
    m_evidenceToggle->setObjectName(QStringLiteral("adviceEvidenceToggle"));
    connect(m_evidenceToggle, &QAbstractButton::clicked, this,
            &AdviceWindowController::toggleEvidence);
    layout->addWidget(m_evidenceToggle, 0, Qt::AlignLeft);
    m_evidenceDetails = new QWidget;
    m_evidenceDetails->setObjectName(QStringLiteral("adviceEvidenceDetails"));
    auto* detailsLayout = new QVBoxLayout(m_evidenceDetails);
    detailsLayout->setContentsMargins(0, 0, 0, 0);
    detailsLayout->setSpacing(8);
    m_evidenceLabel = wrappingLabel("adviceEvidence", 12, QFont::Normal, Theme::label);
    m_originalAdvice = wrappingLabel("adviceOriginal", 11, QFont::Normal, Theme::secondaryLabel);
    m_sourceLabel = wrappingLabel("adviceSource", 10, QFont::Normal, Theme::tertiaryLabel);
    detailsLayout->addWidget(m_evidenceLabel);
    detailsLayout->addWidget(m_originalAdvice);
    detailsLayout->addWidget(m_sourceLabel);
    m_evidenceDetails->hide();
    layout->addWidget(m_evidenceDetails);
    return block;
}

void AdviceWindowController::buildFooter(QVBoxLayout* root) {
    auto* rule = new SeparatorLine;
    root->addWidget(rule);
    m_actionableViews.push_back(rule);

    auto* footer = new QHBoxLayout;
    footer->setSpacing(12);
    auto* footerText = new QVBoxLayout;
    footerText->setSpacing(4);
    footerText->addWidget(Theme::makeLabel(QStringLiteral("完成后，观察约 1 分钟"), 11,
                                           QFont::Medium, Theme::secondaryLabel));
    m_result = wrappingLabel("adviceResult", 11, QFont::Normal, Theme::secondaryLabel);
    footerText->addWidget(m_result);
    // The text column takes the free width so that a long verdict wraps
    // instead of pushing the button out of the window.
    footer->addLayout(footerText, 1);
    m_confirm = new QPushButton(QStringLiteral("开始复查"));
    m_confirm->setObjectName(QStringLiteral("adviceConfirm"));
    m_confirm->setFont(Theme::font(13));
    // The design's size; a larger font makes the button as large as its text needs.
    m_confirm->setMinimumSize(108, 42);
    connect(m_confirm, &QPushButton::clicked, this, &AdviceWindowController::confirmPressed);
    footer->addWidget(m_confirm, 0, Qt::AlignVCenter);
    root->addLayout(footer);
}

int AdviceWindowController::currentPlanIndex() const {
    return m_currentPlan >= 0 && m_currentPlan < static_cast<int>(m_plans.size()) ? m_currentPlan
                                                                                  : -1;
}

void AdviceWindowController::show(const std::vector<AdvicePlan>& plans, const QString& followUp,
                                  bool canConfirm, bool isSimulation) {
    m_plans = plans;
    m_isSimulation = isSimulation;
    m_recheckPending = false;
    m_showingVerdict = false;

    m_currentPlan = m_plans.empty() ? -1 : 0;
    m_selectorButton->setEnabled(!m_plans.empty());
    render();
    updateFollowUp(followUp, canConfirm);

    const bool wasVisible = m_window->isVisible();
    setWindowFloor(m_plans.empty() ? kEmptyMinimum : kPlanMinimum);
    if (!wasVisible) {
        // Whole, so that no last line waits under the scroll area's edge.
        m_window->resize(openingSize(m_plans.empty() ? kEmptyOpening : kPlanOpening));
        centreOnScreen(m_window);
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    m_window->setFocus();
    m_adviceScroll->verticalScrollBar()->setValue(0);
}

void AdviceWindowController::render() {
    const int index = currentPlanIndex();
    if (index < 0) {
        renderNoPlan();
        return;
    }
    const AdvicePlan& plan = m_plans[static_cast<size_t>(index)];
    setActionableVisible(true);
    m_adviceScroll->setMinimumHeight(kPlanDocumentMinimum);
    setPlainTitle(m_selectorButton, qs(plan.target));
    m_selectorButton->update();

    const bool watching = ConciseSteps::isWatching(plan);
    showFraming(ConciseSteps::framingFor(plan, watching));
    m_originalAdvice->setText(qs(ConciseSteps::fullText(plan)));
    replaceSteps(stepsFor(plan, watching));
    m_sourceLabel->setText(qs(ConciseSteps::sourceText(plan)));
    fitMinimum();
}

void AdviceWindowController::renderNoPlan() {
    showEmptyState(ConciseSteps::noPlanFraming());
}

void AdviceWindowController::showEmptyState(const ConciseSteps::Framing& framing) {
    closeSelection();
    setActionableVisible(false);
    m_adviceScroll->setMinimumHeight(kEmptyDocumentMinimum);
    m_originalAdvice->clear();
    hideEvidence();
    setPlainTitle(m_selectorButton, QStringLiteral("选择对象"));
    m_selectorButton->update();
    showFraming(framing);
    replaceSteps({});
    m_sourceLabel->clear();
    fitMinimum();
}

void AdviceWindowController::showFraming(const ConciseSteps::Framing& framing) {
    m_summaryLabel->setText(qs(framing.summary));
    m_decision->setText(qs(framing.decision));
    m_evidenceLabel->setText(qs(framing.evidence));
    m_conditionLabel->setText(qs(framing.condition));
    m_fallbackLabel->setText(qs(framing.fallback));
}

void AdviceWindowController::replaceSteps(const QStringList& steps) {
    while (QLayoutItem* item = m_stepsLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    int number = 0;
    for (const QString& step : steps) {
        QStringList parts = step.split(QLatin1Char('\n'));
        const QString title = parts.takeFirst();

        auto* row = new QWidget;
        row->setObjectName(QStringLiteral("adviceStep"));
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        rowLayout->setSpacing(14);
        auto* badge = new AdviceStepNumber(QString::number(++number));
        badge->setObjectName(QStringLiteral("adviceStepNumber"));
        rowLayout->addWidget(badge, 0, Qt::AlignTop);

        auto* text = new QVBoxLayout;
        text->setSpacing(5);
        QLabel* titleLabel = wrappingLabel("adviceStepTitle", 14, QFont::DemiBold, Theme::label);
        titleLabel->setText(title);
        QLabel* bodyLabel =
            wrappingLabel("adviceStepBody", 13, QFont::Normal, Theme::secondaryLabel);
        bodyLabel->setText(parts.join(QLatin1Char('\n')));
        text->addWidget(titleLabel);
        text->addWidget(bodyLabel);
        rowLayout->addLayout(text, 1);
        m_stepsLayout->addWidget(row);
    }
}

void AdviceWindowController::setActionableVisible(bool visible) {
    for (QWidget* view : m_actionableViews) {
        view->setVisible(visible);
    }
}

void AdviceWindowController::setEvidenceShown(bool shown) {
    m_evidenceDetails->setVisible(shown);
    m_evidenceToggle->setText(kEvidenceTitle +
                              (shown ? QStringLiteral("  −") : QStringLiteral("  ＋")));
    m_evidenceToggle->setAccessibleDescription(shown ? QStringLiteral("已展开")
                                                     : QStringLiteral("已折叠"));
    m_evidenceToggle->updateGeometry();
}

void AdviceWindowController::hideEvidence() {
    // The toggle keeps its first title until the details have been opened.
    if (!m_evidenceDetails->isHidden()) {
        setEvidenceShown(false);
    }
}

void AdviceWindowController::setWindowFloor(QSize floor) {
    m_windowFloor = floor;
    fitMinimum();
}

int AdviceWindowController::contentMinimumHeight(int width) const {
    // The scrolling document counts with its own minimum only.
    QLayout* layout = m_window->layout();
    const int height = layout->totalMinimumSize().height();
    return layout->hasHeightForWidth() ? std::max(height, layout->totalMinimumHeightForWidth(width))
                                       : height;
}

void AdviceWindowController::fitMinimum() {
    // Measured at the narrowest width allowed, where wrapped lines take the
    // most height.
    const int width =
        std::max(m_windowFloor.width(), m_window->layout()->totalMinimumSize().width());
    m_window->setMinimumSize(width, std::max(m_windowFloor.height(), contentMinimumHeight(width)));
}

QSize AdviceWindowController::openingSize(QSize design) const {
    const QSize minimum = m_window->minimumSize();
    const int width = std::max(design.width(), minimum.width());
    // Tall enough to show the whole document where the screen has the room,
    // so that its last lines are not left under the edge of the scroll area.
    const QMargins margins = m_window->layout()->contentsMargins();
    const int documentHeight =
        m_adviceScroll->widget()->heightForWidth(width - margins.left() - margins.right());
    int height = contentMinimumHeight(width) - m_adviceScroll->minimumHeight() + documentHeight;
    if (const QScreen* screen =
            m_window->screen() ? m_window->screen() : QGuiApplication::primaryScreen()) {
        // The title bar and the desktop's panels need room as well.
        height = std::min(height, screen->availableGeometry().height() * 9 / 10);
    }
    return QSize(width, std::max({height, design.height(), minimum.height()}));
}

void AdviceWindowController::openSelection() {
    closeSelection();
    auto* popover = new PopoverSurface(m_window);
    popover->setWindowFlags(Qt::Popup);
    popover->setAttribute(Qt::WA_DeleteOnClose);
    popover->setObjectName(QStringLiteral("adviceSelectionPopover"));
    auto* layout = new QVBoxLayout(popover);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(4);
    const int current = currentPlanIndex();
    for (int i = 0; i < static_cast<int>(m_plans.size()); ++i) {
        auto* item = new AdviceSelectionItem(qs(m_plans[static_cast<size_t>(i)].target));
        item->setObjectName(QStringLiteral("adviceSelectionItem"));
        item->setProperty("planIndex", i);
        item->setSelected(i == current);
        connect(item, &QAbstractButton::clicked, this, [this, i] { selectPlan(i); });
        layout->addWidget(item);
    }
    popover->adjustSize();
    // Centred under the chooser, like a popover's arrow would place it.
    const QPoint anchor = m_selectorButton->mapToGlobal(
        QPoint(m_selectorButton->width() / 2, m_selectorButton->height()));
    popover->move(anchor.x() - popover->width() / 2, anchor.y() + 4);
    m_selectionPopover = popover;
    popover->show();
}

void AdviceWindowController::selectPlan(int index) {
    if (index >= 0 && index < static_cast<int>(m_plans.size())) {
        m_currentPlan = index;
    }
    closeSelection();
    render();
}

void AdviceWindowController::closeSelection() {
    if (m_selectionPopover) {
        m_selectionPopover->close();
    }
}

void AdviceWindowController::toggleEvidence() {
    setEvidenceShown(m_evidenceDetails->isHidden());
}

void AdviceWindowController::updateFollowUp(const QString& message, bool canConfirm) {
    if (!m_isSimulation) {
        if (!canConfirm) {
            m_recheckPending = true;
            m_showingVerdict = false;
        } else if (m_recheckPending) {
            m_recheckPending = false;
            m_showingVerdict = true;
        }
    }
    if (m_isSimulation) {
        m_result->setText(qs(AdviceFollowUp::kSimulationMessage));
    } else if (canConfirm && !m_showingVerdict) {
        m_result->setText(qs(AdviceFollowUp::kRetryHint));
    } else {
        m_result->setText(message);
    }
    m_confirm->setEnabled(!m_isSimulation && canConfirm && !m_plans.empty());
    fitMinimum();
}

void AdviceWindowController::confirmPressed() {
    if (onConfirm) {
        onConfirm();
    }
}

void AdviceWindowController::showConfirmationResult(const QString& message) {
    m_result->setText(message);
    m_confirm->setEnabled(false);
    fitMinimum();
    // From now on the finished verdict belongs on the result line.
    if (!m_isSimulation) {
        m_recheckPending = true;
        m_showingVerdict = false;
    }
}

void AdviceWindowController::invalidateAfterRecovery() {
    if (m_isSimulation) {
        return;
    }
    m_plans.clear();
    m_currentPlan = -1;
    m_selectorButton->setEnabled(false);
    m_confirm->setEnabled(false);
    showEmptyState(ConciseSteps::recoveredFraming());
    setWindowFloor(kEmptyMinimum);
    m_window->resize(openingSize(kEmptyOpening));
}

}  // namespace tidemark::ui
