#include "ui/widgets/AdviceSelectionItem.h"

#include <QPainter>
#include <algorithm>

#include "ui/AppVisualTheme.h"
#include "ui/WidgetSupport.h"

namespace tidemark::ui {

AdviceSelectionItem::AdviceSelectionItem(const QString& title, QWidget* parent)
    : QAbstractButton(parent) {
    setPlainTitle(this, title);
    setFont(AppVisualTheme::font(12));
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

QSize AdviceSelectionItem::sizeHint() const {
    // As wide as the chooser's own room for a name, never smaller than the design.
    const QFontMetrics metrics = fontMetrics();
    const int nameWidth = 9 * metrics.horizontalAdvance(QChar(0x6F6E));
    return QSize(std::max(170, 12 + nameWidth + 28), std::max(32, metrics.height() + 16));
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
