#include "ui/widgets/PanelCard.h"

#include <QPainter>

namespace tidemark::ui {

PanelCard::PanelCard(qreal radius, QWidget* parent) : QWidget(parent), m_radius(radius) {}

void PanelCard::setFill(std::optional<ThemeColor> fill) {
    m_fill = fill;
    update();
}

void PanelCard::setBorder(std::optional<ThemeColor> border) {
    m_border = border;
    update();
}

void PanelCard::paintEvent(QPaintEvent*) {
    if (!m_fill && !m_border) {
        return;
    }
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, m_radius > 0);
    p.setPen(m_border ? QPen(m_border->resolve(), 1) : Qt::NoPen);
    p.setBrush(m_fill ? QBrush(m_fill->resolve()) : Qt::NoBrush);
    const QRectF bounds = m_border ? QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5) : QRectF(rect());
    p.drawRoundedRect(bounds, m_radius, m_radius);
}

}  // namespace tidemark::ui
