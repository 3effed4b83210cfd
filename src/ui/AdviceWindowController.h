#pragma once

#include <QAbstractButton>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

#include "advice/AdvicePlan.h"
#include "advice/ConciseSteps.h"

class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace tidemark::ui {

class AdviceRoundedButton;

// The window in which the user reads one plan at a time and confirms having
// acted. It only presents; whatever a confirmation starts is the owner's.
class AdviceWindowController : public QObject {
    Q_OBJECT
public:
    explicit AdviceWindowController(QObject* parent = nullptr);
    ~AdviceWindowController() override;

    void show(const std::vector<AdvicePlan>& plans, const QString& followUp, bool canConfirm,
              bool isSimulation);
    void updateFollowUp(const QString& message, bool canConfirm);
    void invalidateAfterRecovery();

    // Called while a confirmation is being handled: the owner has started a
    // re-check, `message` says what happens now, and the button stays off
    // until a later follow-up brings the verdict.
    void showConfirmationResult(const QString& message);
    // Shows the plan at `index`, as choosing it in the popup does; an index
    // out of range keeps the current plan.
    void selectPlan(int index);

    std::function<void()> onConfirm;

    bool isSimulation() const { return m_isSimulation; }
    QWidget* window() const { return m_window; }

private:
    void configureView();
    void buildHeader(QVBoxLayout* root);
    void buildChooser(QVBoxLayout* root);
    QWidget* buildDocument();
    QWidget* buildEvidence();
    void buildFooter(QVBoxLayout* root);

    void render();
    void renderNoPlan();
    // No plan to show, for whatever reason `framing` gives.
    void showEmptyState(const ConciseSteps::Framing& framing);
    void showFraming(const ConciseSteps::Framing& framing);
    void replaceSteps(const QStringList& steps);
    void setActionableVisible(bool visible);
    void setEvidenceShown(bool shown);
    void hideEvidence();
    void setWindowFloor(QSize floor);
    int contentMinimumHeight(int width) const;
    void fitMinimum();
    // At least `design`, and tall enough for the whole document where the
    // screen has the room.
    QSize openingSize(QSize design) const;
    void openSelection();
    void closeSelection();
    void toggleEvidence();
    void confirmPressed();
    int currentPlanIndex() const;

    std::vector<AdvicePlan> m_plans;
    bool m_isSimulation = false;
    // A re-check was running; its verdict stays on the result line until
    // the user confirms again or new plans arrive.
    bool m_recheckPending = false;
    bool m_showingVerdict = false;

    int m_currentPlan = -1;
    QSize m_windowFloor;

    QPointer<QWidget> m_window;
    AdviceRoundedButton* m_selectorButton = nullptr;
    QPointer<QWidget> m_selectionPopover;
    QLabel* m_summaryLabel = nullptr;
    QLabel* m_decision = nullptr;
    QLabel* m_evidenceLabel = nullptr;
    QLabel* m_conditionLabel = nullptr;
    QLabel* m_fallbackLabel = nullptr;
    QLabel* m_sourceLabel = nullptr;
    QLabel* m_result = nullptr;
    QLabel* m_originalAdvice = nullptr;
    QWidget* m_stepsStack = nullptr;
    QVBoxLayout* m_stepsLayout = nullptr;
    QPushButton* m_confirm = nullptr;
    QAbstractButton* m_evidenceToggle = nullptr;
    QWidget* m_evidenceDetails = nullptr;
    std::vector<QWidget*> m_actionableViews;
    QScrollArea* m_adviceScroll = nullptr;
};

}  // namespace tidemark::ui
