#include "ui/widgets/FilledBox.h"

#include <QPainter>

namespace tidemark::ui {

FilledBox::FilledBox(const ThemeColor& fill, qreal radius, QWidget* parent)
    : QWidget(parent), m_fill(fill), m_radius(radius) {}

void FilledBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(m_fill.resolve());
    p.drawRoundedRect(QRectF(rect()), m_radius, m_radius);
}

}  // namespace tidemark::ui
