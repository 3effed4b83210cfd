#include "ui/widgets/TextButton.h"

#include <QPainter>

namespace tidemark::ui {

TextButton::TextButton(const QString& title, qreal size, const ThemeColor& tint, QWidget* parent)
    : QAbstractButton(parent), m_tint(tint) {
    setText(title);
    setFont(AppVisualTheme::font(size));
    setCursor(Qt::PointingHandCursor);
}

QSize TextButton::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 4, metrics.height() + 4};
}

void TextButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(m_tint.resolve());
    p.drawText(rect().adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text());
    if (hasFocus()) {
        drawFocusRing(p, rect(), 4);
    }
}

}  // namespace tidemark::ui
