#pragma once

#include <QWidget>
#include <optional>

#include "ui/AppVisualTheme.h"

namespace tidemark::ui {

// A rounded box: a fill (or none) and an optional 1-point border, both
// resolved when drawn.
class PanelCard : public QWidget {
public:
    explicit PanelCard(qreal radius, QWidget* parent = nullptr);

    void setFill(std::optional<ThemeColor> fill);
    void setBorder(std::optional<ThemeColor> border);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_radius;
    std::optional<ThemeColor> m_fill;
    std::optional<ThemeColor> m_border;
};

}  // namespace tidemark::ui
