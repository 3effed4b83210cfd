#pragma once

#include <QAbstractButton>

namespace tidemark::ui {

// Filled rounded button; the non-primary kind carries a drop-down chevron.
class AdviceRoundedButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit AdviceRoundedButton(const QString& title, bool isPrimary, QWidget* parent = nullptr);
    bool isPrimary() const { return m_isPrimary; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_isPrimary;
};

}  // namespace tidemark::ui
