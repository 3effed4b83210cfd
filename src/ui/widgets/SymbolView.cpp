#include "ui/widgets/SymbolView.h"

#include <QPainter>
#include <algorithm>

#include "ui/AppVisualTheme.h"
#include "ui/SymbolIcons.h"

namespace tidemark::ui {

SymbolView::SymbolView(const QString& symbol, QSize size, QWidget* parent)
    : QWidget(parent), m_symbol(symbol) {
    setFixedSize(AppVisualTheme::scaled(size.width()), AppVisualTheme::scaled(size.height()));
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SymbolView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int side = std::max(width(), height());
    symbolIcon(m_symbol, AppVisualTheme::secondaryLabel, side).paint(&p, rect(), Qt::AlignCenter);
}

}  // namespace tidemark::ui
