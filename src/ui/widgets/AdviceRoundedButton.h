#pragma once

#include <QAbstractButton>

namespace tidemark::ui {

// Filled rounded button; the non-primary kind carries a drop-down chevron.
class AdviceRoundedButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit AdviceRoundedButton(const QString& title, bool isPrimary, QWidget* parent = nullptr);
    bool isPrimary() const { return m_isPrimary; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int kTextInset = 16;
    static constexpr int kChevronRoom = 30;
    bool m_isPrimary;
};

}  // namespace tidemark::ui
