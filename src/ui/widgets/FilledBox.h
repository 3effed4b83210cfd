#pragma once

#include <QWidget>

#include "ui/AppVisualTheme.h"

namespace tidemark::ui {

// A rounded, borderless fill behind its content.
class FilledBox : public QWidget {
public:
    FilledBox(const ThemeColor& fill, qreal radius, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ThemeColor m_fill;
    qreal m_radius;
};

}  // namespace tidemark::ui
