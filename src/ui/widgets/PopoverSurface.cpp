#include "ui/widgets/PopoverSurface.h"

#include <QPainter>

namespace tidemark::ui {

PopoverSurface::PopoverSurface(QWidget* parent) : AppThemeSurface(parent) {}

void PopoverSurface::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), AppVisualTheme::background.resolve());
    p.setPen(QPen(AppVisualTheme::line.resolve(), 1));
    p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

}  // namespace tidemark::ui
