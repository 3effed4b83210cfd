#pragma once

#include <QAbstractButton>

#include "ui/AppVisualTheme.h"

namespace tidemark::ui {

// Text-only button whose title is its whole appearance.
class TextButton : public QAbstractButton {
public:
    TextButton(const QString& title, qreal size, const ThemeColor& tint, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ThemeColor m_tint;
};

}  // namespace tidemark::ui
