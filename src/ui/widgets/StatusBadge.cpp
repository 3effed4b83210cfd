#include "ui/widgets/StatusBadge.h"

#include <QPainter>

namespace tidemark::ui {

StatusBadge::StatusBadge(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignCenter);
    setFont(AppVisualTheme::font(11, QFont::DemiBold));
    setFixedHeight(18);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void StatusBadge::setLevelColor(const ThemeColor& color) {
    m_color = color;
    AppVisualTheme::setTextColor(this, color);
}

QSize StatusBadge::sizeHint() const {
    return {fontMetrics().horizontalAdvance(text()) + 16, 18};
}

void StatusBadge::paintEvent(QPaintEvent* event) {
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor tint = m_color.resolve();
        tint.setAlphaF(0.12);
        p.setPen(Qt::NoPen);
        p.setBrush(tint);
        p.drawRoundedRect(QRectF(rect()), 9, 9);
    }
    QLabel::paintEvent(event);
}

}  // namespace tidemark::ui
