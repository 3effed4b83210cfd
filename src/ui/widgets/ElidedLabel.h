#pragma once

#include <QLabel>

namespace tidemark::ui {

// A one-line plain-text label that truncates at the tail instead of growing
// its window. text() keeps the full text.
class ElidedLabel : public QLabel {
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace tidemark::ui
