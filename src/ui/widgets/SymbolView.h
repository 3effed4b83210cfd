#pragma once

#include <QString>
#include <QWidget>

namespace tidemark::ui {

// A symbol drawn at paint time, so its tint follows the appearance. Mouse
// events pass through to what lies beneath.
class SymbolView : public QWidget {
public:
    SymbolView(const QString& symbol, const QRect& frame, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
};

}  // namespace tidemark::ui
