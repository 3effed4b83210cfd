#include "ui/widgets/StatusBadge.h"

#include <QPainter>
#include <algorithm>

namespace tidemark::ui {

StatusBadge::StatusBadge(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignCenter);
    setFont(AppVisualTheme::font(11, QFont::DemiBold));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void StatusBadge::setLevelColor(const ThemeColor& color) {
    m_color = color;
    AppVisualTheme::setTextColor(this, color);
}

QSize StatusBadge::sizeHint() const {
    return {fontMetrics().horizontalAdvance(text()) + 16,
            std::max(AppVisualTheme::scaled(18), fontMetrics().height())};
}

void StatusBadge::paintEvent(QPaintEvent* event) {
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor tint = m_color.resolve();
        tint.setAlphaF(0.12);
        p.setPen(Qt::NoPen);
        p.setBrush(tint);
        const qreal radius = height() / 2.0;
        p.drawRoundedRect(QRectF(rect()), radius, radius);
    }
    QLabel::paintEvent(event);
}

}  // namespace tidemark::ui
