#pragma once

#include <QAbstractButton>

namespace tidemark::ui {

// An on/off switch; its checked state is the setting. The title is only
// its accessible name.
class SettingsToggle : public QAbstractButton {
    Q_OBJECT
public:
    explicit SettingsToggle(const QString& title, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {34, 24}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace tidemark::ui
