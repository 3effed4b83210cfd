#pragma once

#include <QIcon>
#include <QPushButton>
#include <QString>
#include <QStringList>

#include "ui/AppVisualTheme.h"

namespace tidemark::ui {

// An icon for one of the symbol names the interface uses ("bell",
// "gearshape", "arrow.clockwise", ...), drawn in `tint` resolved at drawing
// time. The desktop's icon theme supplies the artwork when it has a
// monochrome icon for every symbol; otherwise all symbols are drawn here, so
// that a bare system (no icon theme) still shows every button's icon and the
// set never mixes two styles. An unknown name gives a null icon.
QIcon symbolIcon(const QString& sfSymbolName, const ThemeColor& tint, int size = 16);

// Every name symbolIcon understands.
QStringList knownSymbols();

// A small button showing a symbol, optionally followed by a title. The
// symbol and its tint are kept by name and resolved when drawn, so the
// button follows appearance changes.
class SymbolButton : public QPushButton {
    Q_OBJECT
public:
    // `rounded` has a filled bezel; `inlined` shows its bezel only while
    // hovered or pressed.
    enum class Bezel { rounded, inlined };

    SymbolButton(const QString& title, const QString& symbol, Bezel bezel,
                 QWidget* parent = nullptr);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol);
    ThemeColor tint() const { return m_tint; }
    void setTint(const ThemeColor& tint);
    Bezel bezel() const { return m_bezel; }
    // In the design's pixels; drawn scaled like the title.
    void setSymbolSize(int pixels);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QString m_symbol;
    ThemeColor m_tint = AppVisualTheme::text;
    Bezel m_bezel;
    int m_symbolSize = 14;
    bool m_keyboardFocus = false;
};

}  // namespace tidemark::ui
