#pragma once

#include <QLabel>

class QPainter;

namespace tidemark::ui {

// A wrapping plain-text label with extra space between lines and a limit on
// the number of lines; the last line shown is truncated at the tail.
class SpacedLabel : public QLabel {
public:
    SpacedLabel(int maxLines, qreal lineSpacing, QWidget* parent = nullptr);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return layOut(width, nullptr); }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Returns the height of the laid-out text; draws it when given a painter.
    int layOut(int width, QPainter* painter) const;

    int m_maxLines;
    qreal m_lineSpacing;
};

}  // namespace tidemark::ui
