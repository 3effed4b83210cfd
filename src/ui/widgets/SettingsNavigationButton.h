#pragma once

#include <QAbstractButton>

namespace tidemark::ui {

// Transparent over a whole card; shows only a chevron at its right end.
class SettingsNavigationButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit SettingsNavigationButton(const QString& title, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace tidemark::ui
