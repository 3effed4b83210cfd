#include "ui/widgets/SettingsSurface.h"

#include <QEvent>
#include <QLayout>
#include <QPainter>

#include "ui/AppVisualTheme.h"

namespace tidemark::ui {

namespace {

constexpr qreal kCardRadius = 13;

}  // namespace

SettingsSurface::SettingsSurface(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SettingsSurface::setHeaderBand(QWidget* band) {
    m_headerBand = band;
    update();
}

void SettingsSurface::addCard(QWidget* card) {
    m_cards.emplace_back(card);
    update();
}

QRect SettingsSurface::frameOf(const QWidget* child) const {
    return {child->mapTo(this, QPoint()), child->size()};
}

void SettingsSurface::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), AppVisualTheme::background.resolve());
    const QColor line = AppVisualTheme::line.resolve();
    if (m_headerBand && m_headerBand->isVisible()) {
        p.fillRect(QRect(0, frameOf(m_headerBand).bottom(), width(), 1), line);
    }
    for (const QPointer<QWidget>& card : m_cards) {
        if (!card || !card->isVisible()) {
            continue;
        }
        const QRect frame = frameOf(card);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(line, 1));
        p.setBrush(AppVisualTheme::card.resolve());
        // Half a pixel in, so the one-pixel outline lies on the card's own
        // outermost pixels.
        p.drawRoundedRect(QRectF(frame).adjusted(0.5, 0.5, -0.5, -0.5), kCardRadius, kCardRadius);
        p.setRenderHint(QPainter::Antialiasing, false);
        const QLayout* rows = card->layout();
        for (int i = 1; rows != nullptr && i < rows->count(); ++i) {
            // The last pixel of the gap above the row, across the whole card.
            const int y = frame.top() + rows->itemAt(i)->geometry().top() - 1;
            p.fillRect(QRect(frame.left(), y, frame.width(), 1), line);
        }
    }
}

void SettingsSurface::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::ApplicationPaletteChange) {
        update();
    }
    QWidget::changeEvent(event);
}

}  // namespace tidemark::ui
