#pragma once

#include <QWidget>

namespace tidemark::ui {

// A 1-point rule across the full width.
class SeparatorLine : public QWidget {
public:
    explicit SeparatorLine(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace tidemark::ui
