#pragma once

#include <QString>
#include <QWidget>

namespace tidemark::ui {

// A symbol drawn at paint time, so its tint follows the appearance. Mouse
// events pass through to what lies beneath.
class SymbolView : public QWidget {
public:
    // `size` in the design's pixels, scaled like the text beside it; for a
    // layout to place.
    SymbolView(const QString& symbol, QSize size, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
};

}  // namespace tidemark::ui
