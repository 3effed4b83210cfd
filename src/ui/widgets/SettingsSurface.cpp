#include "ui/widgets/SettingsSurface.h"

#include <QEvent>
#include <QPainter>

#include "ui/AppVisualTheme.h"

namespace tidemark::ui {

SettingsSurface::SettingsSurface(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SettingsSurface::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), AppVisualTheme::background.resolve());
    const QColor line = AppVisualTheme::line.resolve();
    p.fillRect(QRect(0, 45, width(), 1), line);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(line, 1));
    p.setBrush(AppVisualTheme::card.resolve());
    for (const QRectF card : {QRectF(24, 206, 392, 150), QRectF(24, 405, 392, 75)}) {
        p.drawRoundedRect(card.adjusted(0.5, 0.5, -0.5, -0.5), 13, 13);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(24, 281, 392, 1), line);
}

void SettingsSurface::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::ApplicationPaletteChange) {
        update();
    }
    QWidget::changeEvent(event);
}

}  // namespace tidemark::ui
