#include "ui/widgets/AdviceStepNumber.h"

#include <QPainter>
#include <algorithm>

#include "ui/AppVisualTheme.h"

namespace tidemark::ui {

AdviceStepNumber::AdviceStepNumber(const QString& number, QWidget* parent)
    : QWidget(parent), m_number(number) {
    setFont(AppVisualTheme::monospacedDigitFont(12));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("步骤 ") + number);
}

QSize AdviceStepNumber::sizeHint() const {
    // A circle round the digits with a margin, never smaller than the design.
    const int side = std::max(27, fontMetrics().height() + 13);
    return {side, side};
}

void AdviceStepNumber::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(AppVisualTheme::separator.resolve(), 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    p.setFont(font());
    p.setPen(AppVisualTheme::secondaryLabel.resolve());
    p.drawText(rect(), Qt::AlignCenter, m_number);
}

}  // namespace tidemark::ui
