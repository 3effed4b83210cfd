#include "ui/widgets/ElidedLabel.h"

#include <QPainter>

#include "ui/WidgetSupport.h"

namespace tidemark::ui {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

QSize ElidedLabel::sizeHint() const {
    return {fontMetrics().horizontalAdvance(oneLine(text())), fontMetrics().height()};
}

QSize ElidedLabel::minimumSizeHint() const {
    return {0, fontMetrics().height()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect area = contentsRect();
    p.setPen(palette().color(foregroundRole()));
    p.setFont(font());
    p.drawText(area, int(alignment()) | Qt::TextSingleLine,
               fontMetrics().elidedText(oneLine(text()), Qt::ElideRight, area.width()));
}

}  // namespace tidemark::ui
