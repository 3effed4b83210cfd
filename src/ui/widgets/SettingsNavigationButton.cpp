#include "ui/widgets/SettingsNavigationButton.h"

#include <QPainter>

#include "ui/AppVisualTheme.h"

namespace tidemark::ui {

SettingsNavigationButton::SettingsNavigationButton(const QString& title, QWidget* parent)
    : QAbstractButton(parent) {
    setText(title);
    setCursor(Qt::PointingHandCursor);
}

void SettingsNavigationButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = width();
    const qreal m = height() / 2.0;
    strokeChevron(p, {w - 25, m - 5}, {w - 20, m}, {w - 25, m + 5},
                  AppVisualTheme::secondaryLabel.resolve(), 1.3);
    if (hasFocus()) {
        drawFocusRing(p, rect(), 13);
    }
}

}  // namespace tidemark::ui
