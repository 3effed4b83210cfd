#include "ui/widgets/AdviceRoundedButton.h"

#include <QPainter>
#include <algorithm>

#include "ui/AppVisualTheme.h"
#include "ui/WidgetSupport.h"

namespace tidemark::ui {

AdviceRoundedButton::AdviceRoundedButton(const QString& title, QWidget* parent)
    : QAbstractButton(parent) {
    setPlainTitle(this, title);
    setFont(AppVisualTheme::font(13, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize AdviceRoundedButton::sizeHint() const {
    // Room for a name of about nine full-width characters beside the
    // chevron (longer ones are elided), and never smaller than the design.
    const QFontMetrics metrics = fontMetrics();
    const int nameWidth = 9 * metrics.horizontalAdvance(QChar(0x6F6E));
    return QSize(std::max(170, kTextInset + nameWidth + kChevronRoom),
                 std::max(42, metrics.height() + 26));
}

void AdviceRoundedButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool enabled = isEnabled();
    QColor fill = AppVisualTheme::control.resolve();
    fill.setAlphaF(enabled ? 0.3 : 0.12);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(rect()), 13, 13);

    QColor title = AppVisualTheme::text.resolve();
    title.setAlphaF(enabled ? 1.0 : 0.4);
    p.setPen(title);
    p.setFont(AppVisualTheme::font(13, QFont::DemiBold));
    // The title stops short of the chevron; long targets are elided.
    const QRect area(kTextInset, 0, width() - kTextInset - kChevronRoom, height());
    p.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
               fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
    const qreal w = width();
    const qreal m = height() / 2.0;
    strokeChevron(p, {w - 25, m - 2}, {w - 21, m + 2}, {w - 17, m - 2},
                  AppVisualTheme::secondaryLabel.resolve(), 1.5);
    if (hasFocus()) {
        drawFocusRing(p, rect(), 13);
    }
}

}  // namespace tidemark::ui
