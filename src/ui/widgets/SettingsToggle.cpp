#include "ui/widgets/SettingsToggle.h"

#include <QPainter>

#include "ui/AppVisualTheme.h"

namespace tidemark::ui {

SettingsToggle::SettingsToggle(const QString& title, QWidget* parent) : QAbstractButton(parent) {
    setText(title);
    setAccessibleName(title);
    setCheckable(true);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void SettingsToggle::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool on = isChecked();
    const bool enabled = isEnabled();
    const QRectF track(0, (height() - 21) / 2.0, 34, 21);
    QColor fill = (on ? AppVisualTheme::systemGreen : AppVisualTheme::control).resolve();
    fill.setAlphaF(enabled ? 1.0 : 0.4);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(track, 10.5, 10.5);
    QColor knob(Qt::white);
    knob.setAlphaF(enabled ? 1.0 : 0.6);
    p.setBrush(knob);
    p.drawEllipse(QRectF(on ? 16 : 3, track.top() + 3, 15, 15));
    if (hasFocus()) {
        drawFocusRing(p, track, 10.5);
    }
}

}  // namespace tidemark::ui
