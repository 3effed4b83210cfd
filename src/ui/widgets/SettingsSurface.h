#pragma once

#include <QWidget>

namespace tidemark::ui {

// The settings window's background, rules and cards.
class SettingsSurface : public QWidget {
    Q_OBJECT
public:
    explicit SettingsSurface(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
};

}  // namespace tidemark::ui
