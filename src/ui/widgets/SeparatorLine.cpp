#include "ui/widgets/SeparatorLine.h"

#include <QPainter>

#include "ui/AppVisualTheme.h"

namespace tidemark::ui {

SeparatorLine::SeparatorLine(QWidget* parent) : QWidget(parent) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SeparatorLine::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), AppVisualTheme::separator.resolve());
}

}  // namespace tidemark::ui
