#pragma once

#include <QAbstractButton>

namespace tidemark::ui {

// Filled rounded button with a drop-down chevron: the advice window's chooser.
class AdviceRoundedButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit AdviceRoundedButton(const QString& title, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int kTextInset = 16;
    static constexpr int kChevronRoom = 30;
};

}  // namespace tidemark::ui
