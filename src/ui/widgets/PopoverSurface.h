#pragma once

#include "ui/AppVisualTheme.h"

namespace tidemark::ui {

// A popup's surface: the window's background inside a hairline, so that it
// stands apart from the window it opens over.
class PopoverSurface : public AppThemeSurface {
public:
    explicit PopoverSurface(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace tidemark::ui
