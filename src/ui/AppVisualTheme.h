#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <string_view>

#include "core/PlatformTexts.h"

class QLabel;

namespace tidemark::ui {

enum class Appearance { light, dark };

// A colour with one value per appearance, resolved whenever it is drawn so
// that a change of the desktop's appearance needs no rebuild.
struct ThemeColor {
    quint32 light = 0;  // 0xRRGGBB
    quint32 dark = 0;
    QColor resolve() const;
    QColor resolve(Appearance appearance) const;
    bool operator==(const ThemeColor&) const = default;
};

class AppVisualTheme {
public:
    static ThemeColor color(quint32 light, quint32 dark) { return {light, dark}; }

    // The program's own palette.
    static const ThemeColor background;
    static const ThemeColor card;
    static const ThemeColor line;
    static const ThemeColor control;
    static const ThemeColor text;
    static const ThemeColor secondary;
    static const ThemeColor primary;
    static const ThemeColor onPrimary;

    // Nearest equivalents of the desktop's semantic colours.
    static const ThemeColor systemGreen;
    static const ThemeColor systemOrange;
    static const ThemeColor systemRed;
    static const ThemeColor label;
    static const ThemeColor secondaryLabel;
    static const ThemeColor tertiaryLabel;
    static const ThemeColor separator;

    // A dark window colour in the application palette means the dark
    // appearance; anything else (including no application) is light.
    static Appearance currentAppearance();
    static Appearance appearanceOf(const QPalette& palette);

    // Complete palettes for both appearances; used where the desktop gives
    // none (offscreen rendering, bare window managers).
    static QPalette standardPalette(Appearance appearance);

    // The application font's size the design was drawn beside: Qt's own
    // default where the desktop sets none.
    static constexpr qreal kDesignPointSize = 9.0;
    // The application font, at `size` pixels of the design scaled by how much
    // larger (or smaller) the user's font is than kDesignPointSize.
    static QFont font(qreal size, QFont::Weight weight = QFont::Normal);
    // How much larger (or smaller) the user's font is than kDesignPointSize.
    static qreal textScale();
    // A length of the design that sits beside text (a row's height, a
    // symbol), scaled like the text so that the proportions hold; exact at
    // the default font.
    static int scaled(qreal designPixels);
    static QFont monospacedDigitFont(qreal size, QFont::Weight weight = QFont::Normal);

    // Gives a widget's text a theme colour that follows appearance changes.
    static void setTextColor(QWidget* widget, const ThemeColor& color);
    // Re-resolves every colour bound with setTextColor below `root`.
    static void refreshColors(QWidget* root);
    // Calls `apply` now and whenever the application palette changes while
    // `owner` exists.
    static void onAppearanceChange(QWidget* owner, std::function<void()> apply);

    // A label that never interprets markup: untrusted text stays text.
    static QLabel* makeLabel(const QString& text, qreal size, QFont::Weight weight,
                             const ThemeColor& color, bool wrap = false, QWidget* parent = nullptr);

    // One of the running system's own texts.
    static QString platformText(std::string_view PlatformTexts::*text);
};

// Fills its bounds with the background colour.
class AppThemeSurface : public QWidget {
    Q_OBJECT
public:
    explicit AppThemeSurface(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
};

// Draws only a right-pointing chevron at its right edge; the text shown
// with it is laid out by the hosting view.
class AppThemeAdviceEntry : public QPushButton {
    Q_OBJECT
public:
    explicit AppThemeAdviceEntry(const QString& title, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Focus ring shared by the themed controls.
void drawFocusRing(QPainter& painter, const QRectF& bounds, qreal radius);

// The open chevron the entries and choosers draw: a round-capped stroke
// from `from` through `tip` to `to`.
void strokeChevron(QPainter& painter, QPointF from, QPointF tip, QPointF to, const QColor& color,
                   qreal lineWidth);

}  // namespace tidemark::ui
