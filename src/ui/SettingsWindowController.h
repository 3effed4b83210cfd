#pragma once

#include <QAbstractButton>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

class QLabel;
class QMessageBox;

namespace tidemark::ui {

class SettingsToggle;

// Two switches and a link to the history. It keeps no preferences: each
// change goes out through a callback and the owner feeds the result back.
class SettingsWindowController : public QObject {
    Q_OBJECT
public:
    explicit SettingsWindowController(QObject* parent = nullptr);
    ~SettingsWindowController() override;

    // `onChange` applies the launch-at-login choice and returns an error
    // text when that failed.
    void show(bool isLaunchAtLoginEnabled, bool launchAtLoginAvailable,
              std::function<std::optional<std::string>(bool)> onChange);
    void updateReminders(bool enabled, bool available);

    std::function<void()> onShowHistory;
    std::function<void(bool)> onRemindersChanged;

    // Notification permission is off: a window-modal notice over the
    // settings window, answered with its single button.
    void showPermissionNotice();

    QWidget* window() const { return m_window; }

private:
    void configureView();
    // Sizes the window to its layout at the design's width or wider; a
    // window that may not shrink keeps at least its present height.
    void fitWindow(bool mayShrink);
    void setStatus(const QString& text);
    void toggleLaunchAtLogin();
    void changeReminders();
    void openHistory();

    std::function<std::optional<std::string>(bool)> m_onChange;
    QPointer<QWidget> m_window;
    SettingsToggle* m_launchAtLoginCheckbox = nullptr;
    SettingsToggle* m_remindersCheckbox = nullptr;
    QLabel* m_statusLabel = nullptr;
    QPointer<QMessageBox> m_permissionNotice;
};

}  // namespace tidemark::ui
