#include "ui/widgets/AdviceStepNumber.h"

#include <QPainter>

#include "ui/AppVisualTheme.h"

namespace tidemark::ui {

AdviceStepNumber::AdviceStepNumber(const QString& number, QWidget* parent)
    : QWidget(parent), m_number(number) {
    setFixedSize(27, 27);
    setAccessibleName(QStringLiteral("步骤 ") + number);
}

void AdviceStepNumber::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(AppVisualTheme::separator.resolve(), 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    p.setFont(AppVisualTheme::monospacedDigitFont(12));
    p.setPen(AppVisualTheme::secondaryLabel.resolve());
    p.drawText(rect(), Qt::AlignCenter, m_number);
}

}  // namespace tidemark::ui
