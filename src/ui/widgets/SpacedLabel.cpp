#include "ui/widgets/SpacedLabel.h"

#include <QPainter>
#include <QTextLayout>
#include <QtMath>

namespace tidemark::ui {

SpacedLabel::SpacedLabel(int maxLines, qreal lineSpacing, QWidget* parent)
    : QLabel(parent), m_maxLines(maxLines), m_lineSpacing(lineSpacing) {
    setTextFormat(Qt::PlainText);
    QSizePolicy policy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QSize SpacedLabel::sizeHint() const {
    const int width = this->width() > 0 ? this->width() : 240;
    return {width, heightForWidth(width)};
}

QSize SpacedLabel::minimumSizeHint() const {
    return {0, fontMetrics().height()};
}

void SpacedLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(foregroundRole()));
    p.setFont(font());
    p.translate(contentsRect().topLeft());
    layOut(contentsRect().width(), &p);
}

int SpacedLabel::layOut(int width, QPainter* painter) const {
    const QString content = text();
    QTextLayout layout(content, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    int lines = 0;
    bool truncated = false;
    while (true) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) {
            break;
        }
        if (lines == m_maxLines) {
            truncated = true;
            break;
        }
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height() + m_lineSpacing;
        ++lines;
    }
    layout.endLayout();
    if (lines == 0) {
        return 0;
    }
    if (painter != nullptr) {
        for (int i = 0; i < lines; ++i) {
            const QTextLine line = layout.lineAt(i);
            if (truncated && i == lines - 1) {
                const QString rest = content.mid(line.textStart());
                painter->drawText(QPointF(0, line.y() + line.ascent()),
                                  fontMetrics().elidedText(rest, Qt::ElideRight, width));
            } else {
                line.draw(painter, QPointF(0, 0));
            }
        }
    }
    return qCeil(y - m_lineSpacing);
}

}  // namespace tidemark::ui
