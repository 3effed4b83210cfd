#pragma once

#include <QAbstractButton>

namespace tidemark::ui {

// A whole card that opens what it names: its row is laid out inside it, and
// it draws only a chevron at its right end (the card behind it is the
// surface's).
class SettingsNavigationButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit SettingsNavigationButton(const QString& title, QWidget* parent = nullptr);

    // How far from the right edge content laid out inside must end to keep
    // clear of the chevron.
    static constexpr int kChevronClearance = 48;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace tidemark::ui
