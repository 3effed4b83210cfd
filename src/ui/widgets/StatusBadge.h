#pragma once

#include <QLabel>

#include "ui/AppVisualTheme.h"

namespace tidemark::ui {

// The level badge: text in the level colour on a faint tint of it.
class StatusBadge : public QLabel {
public:
    explicit StatusBadge(QWidget* parent = nullptr);

    void setLevelColor(const ThemeColor& color);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ThemeColor m_color = AppVisualTheme::secondaryLabel;
};

}  // namespace tidemark::ui
