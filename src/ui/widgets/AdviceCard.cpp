#include "ui/widgets/AdviceCard.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "ui/AppVisualTheme.h"

namespace tidemark::ui {

AdviceCard::AdviceCard(const QString& title, QWidget* content, bool emphasised, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kBarWidth + 14, 12, 0, 12);
    layout->setSpacing(8);
    layout->addWidget(AppVisualTheme::makeLabel(title, emphasised ? 15 : 12, QFont::DemiBold,
                                                AppVisualTheme::text, true));
    layout->addWidget(content);
}

void AdviceCard::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(QRect(0, 0, kBarWidth, height()), AppVisualTheme::line.resolve());
}

}  // namespace tidemark::ui
