#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "history/IncidentRecord.h"

class QVBoxLayout;

namespace tidemark::ui {

// The seven-day incident history as a list of cards, with one destructive
// action. It shows what it was last given and is refreshed only by reload.
class RecentIncidentsWindowController : public QObject {
    Q_OBJECT
public:
    // Centres the window when it is hidden and brings it to the front.
    static void defaultPresent(QWidget* window);

    explicit RecentIncidentsWindowController(
        std::function<void(QWidget*)> presentWindow = defaultPresent, QObject* parent = nullptr);
    ~RecentIncidentsWindowController() override;

    // Only the presence of `storageError` matters; its text is never shown.
    void reload(const std::vector<IncidentRecord>& records,
                const std::optional<std::string>& storageError);

    // Clears the store and returns its storage error afterwards.
    std::function<std::optional<std::string>()> onClear;

    void clearPressed();
    void presentWindow();
    QWidget* window() const { return m_window; }

private:
    void configureView();

    std::function<void(QWidget*)> m_presentWindow;
    QPointer<QWidget> m_window;
    QWidget* m_contentStack = nullptr;
    QVBoxLayout* m_contentLayout = nullptr;
};

}  // namespace tidemark::ui
