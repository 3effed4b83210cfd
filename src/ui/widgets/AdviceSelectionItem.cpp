#include "ui/widgets/AdviceSelectionItem.h"

#include <QPainter>

#include "ui/AppVisualTheme.h"
#include "ui/WidgetSupport.h"

namespace tidemark::ui {

AdviceSelectionItem::AdviceSelectionItem(const QString& title, QWidget* parent)
    : QAbstractButton(parent) {
    setPlainTitle(this, title);
    setFont(AppVisualTheme::font(12));
    setFixedSize(170, 32);
    setCursor(Qt::PointingHandCursor);
}

void AdviceSelectionItem::setSelected(bool selected) {
    m_selected = selected;
    update();
}

void AdviceSelectionItem::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (m_selected || isDown()) {
        p.setPen(Qt::NoPen);
        p.setBrush(AppVisualTheme::control.resolve());
        p.drawRoundedRect(QRectF(rect()), 8, 8);
    }
    p.setFont(AppVisualTheme::font(12));
    p.setPen(AppVisualTheme::text.resolve());
    const int markWidth = m_selected ? 28 : 4;
    const QString title =
        fontMetrics().elidedText(text(), Qt::ElideRight, width() - 12 - markWidth);
    p.drawText(QRect(12, 0, width() - 12 - markWidth, height()), Qt::AlignLeft | Qt::AlignVCenter,
               title);
    if (m_selected) {
        p.setPen(AppVisualTheme::secondary.resolve());
        p.drawText(QRect(width() - 24, 0, 24, height()), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("✓"));
    }
    if (hasFocus()) {
        drawFocusRing(p, rect(), 8);
    }
}

}  // namespace tidemark::ui
