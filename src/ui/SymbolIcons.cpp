#include "ui/SymbolIcons.h"

#include <QFocusEvent>
#include <QIconEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTransform>
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>

namespace tidemark::ui {

namespace {

struct SymbolEntry {
    const char* symbol;
    // Monochrome ("-symbolic") icons only: they take a tint cleanly, where
    // full-colour theme icons would turn into solid blobs.
    std::array<const char*, 2> themeNames;
};

// circle.fill has no counterpart worth looking up: a dot looks the same in
// every style, so it is always drawn.
constexpr std::array<SymbolEntry, 13> kSymbols{{
    {"clock.arrow.circlepath", {"document-open-recent-symbolic", "appointment-recurring-symbolic"}},
    {"bell", {"preferences-system-notifications-symbolic", "notification-symbolic"}},
    {"bell.slash", {"notifications-disabled-symbolic", nullptr}},
    {"bell.badge", {"notification-new-symbolic", "notifications-new-symbolic"}},
    {"gearshape", {"emblem-system-symbolic", "preferences-system-symbolic"}},
    {"power", {"system-shutdown-symbolic", nullptr}},
    {"arrow.clockwise", {"view-refresh-symbolic", nullptr}},
    {"eye", {"view-reveal-symbolic", "view-visible-symbolic"}},
    {"xmark", {"window-close-symbolic", nullptr}},
    {"circle.fill", {nullptr, nullptr}},
    {"timer", {"alarm-symbolic", "appointment-soon-symbolic"}},
    {"checkmark.shield", {"security-high-symbolic", nullptr}},
    {"chevron.right", {"go-next-symbolic", nullptr}},
}};

const SymbolEntry* findEntry(const QString& symbol) {
    for (const SymbolEntry& entry : kSymbols) {
        if (symbol == QLatin1String(entry.symbol)) {
            return &entry;
        }
    }
    return nullptr;
}

std::optional<QString> themeNameFor(const SymbolEntry& entry) {
    for (const char* name : entry.themeNames) {
        if (name != nullptr && QIcon::hasThemeIcon(QString::fromLatin1(name))) {
            return QString::fromLatin1(name);
        }
    }
    return std::nullopt;
}

// Theme artwork is used only when the theme has all of it; half a set of
// theme icons next to drawn ones looks careless.
bool themeCoversAllSymbols() {
    static QString checkedTheme;
    static bool covered = false;
    static bool checked = false;
    const QString theme = QIcon::themeName();
    if (!checked || theme != checkedTheme) {
        checked = true;
        checkedTheme = theme;
        covered = !theme.isEmpty();
        for (const SymbolEntry& entry : kSymbols) {
            if (covered && entry.themeNames[0] != nullptr && !themeNameFor(entry)) {
                covered = false;
            }
        }
    }
    return covered;
}

QPen strokePen(const QColor& color, qreal width = 1.5) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A circular arc with a filled arrowhead at its end, pointing the way the
// arc travels. Angles in degrees, counter-clockwise from three o'clock.
void drawArcArrow(QPainter& p, QPointF centre, qreal radius, qreal startDegrees, qreal sweepDegrees,
                  const QColor& color) {
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath arc;
    arc.arcMoveTo(box, startDegrees);
    arc.arcTo(box, startDegrees, sweepDegrees);
    p.setPen(strokePen(color));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);

    const qreal end = (startDegrees + sweepDegrees) * std::numbers::pi / 180.0;
    const QPointF tip(centre.x() + radius * std::cos(end), centre.y() - radius * std::sin(end));
    const qreal sign = sweepDegrees < 0 ? -1.0 : 1.0;
    const QPointF direction(-std::sin(end) * sign, -std::cos(end) * sign);
    const QPointF normal(-direction.y(), direction.x());
    QPainterPath head;
    head.moveTo(tip + direction * 2.6);
    head.lineTo(tip + normal * 2.4);
    head.lineTo(tip - normal * 2.4);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(head);
}

void drawBell(QPainter& p, const QColor& color) {
    QPainterPath body;
    body.moveTo(3.2, 11.6);
    body.cubicTo(4.2, 10.6, 4.3, 9.6, 4.3, 7.6);
    body.cubicTo(4.3, 5.0, 5.9, 3.2, 8.0, 3.2);
    body.cubicTo(10.1, 3.2, 11.7, 5.0, 11.7, 7.6);
    body.cubicTo(11.7, 9.6, 11.8, 10.6, 12.8, 11.6);
    body.closeSubpath();
    QPainterPath clapper;
    clapper.moveTo(6.5, 13.4);
    clapper.cubicTo(6.9, 14.7, 9.1, 14.7, 9.5, 13.4);
    p.setPen(strokePen(color));
    p.setBrush(Qt::NoBrush);
    p.drawPath(body);
    p.drawPath(clapper);
    p.drawLine(QPointF(8.0, 3.2), QPointF(8.0, 1.9));
}

// Erases a band so that a mark drawn over other artwork stays legible.
void eraseLine(QPainter& p, QPointF from, QPointF to, qreal width) {
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setPen(strokePen(Qt::black, width));
    p.drawLine(from, to);
    p.restore();
}

void drawGear(QPainter& p, const QColor& color) {
    const QPointF centre(8, 8);
    QPainterPath gear;
    gear.addEllipse(centre, 5.4, 5.4);
    for (int i = 0; i < 8; ++i) {
        QPainterPath tooth;
        tooth.addRoundedRect(QRectF(-1.45, -7.6, 2.9, 4.0), 0.6, 0.6);
        QTransform t;
        t.translate(centre.x(), centre.y());
        t.rotate(i * 45.0);
        gear = gear.united(t.map(tooth));
    }
    QPainterPath hole;
    hole.addEllipse(centre, 2.3, 2.3);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(gear.subtracted(hole));
}

// Draws on a 16 × 16 grid; the caller scales.
void drawSymbolArtwork(QPainter& p, const QString& s, const QColor& color) {
    p.setPen(strokePen(color));
    p.setBrush(Qt::NoBrush);
    if (s == "clock.arrow.circlepath") {
        drawArcArrow(p, {8.4, 8.0}, 5.8, -100, 300, color);
        p.setPen(strokePen(color, 1.4));
        p.drawLine(QPointF(8.4, 8.0), QPointF(8.4, 4.9));
        p.drawLine(QPointF(8.4, 8.0), QPointF(10.5, 9.5));
    } else if (s == "bell") {
        drawBell(p, color);
    } else if (s == "bell.slash") {
        drawBell(p, color);
        eraseLine(p, {2.4, 2.0}, {13.8, 13.4}, 4.0);
        p.setPen(strokePen(color));
        p.drawLine(QPointF(2.4, 2.0), QPointF(13.8, 13.4));
    } else if (s == "bell.badge") {
        drawBell(p, color);
        p.save();
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawEllipse(QPointF(12.6, 3.4), 3.7, 3.7);
        p.restore();
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawEllipse(QPointF(12.6, 3.4), 2.5, 2.5);
    } else if (s == "gearshape") {
        drawGear(p, color);
    } else if (s == "power") {
        const QRectF box(8 - 5.4, 8.8 - 5.4, 10.8, 10.8);
        QPainterPath arc;
        arc.arcMoveTo(box, 62);
        arc.arcTo(box, 62, -304);
        p.drawPath(arc);
        p.drawLine(QPointF(8.0, 1.7), QPointF(8.0, 7.6));
    } else if (s == "arrow.clockwise") {
        drawArcArrow(p, {8.0, 8.4}, 5.6, 40, -300, color);
    } else if (s == "eye") {
        QPainterPath almond;
        almond.moveTo(1.4, 8.0);
        almond.quadTo(8.0, 1.2, 14.6, 8.0);
        almond.quadTo(8.0, 14.8, 1.4, 8.0);
        p.drawPath(almond);
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawEllipse(QPointF(8.0, 8.0), 2.2, 2.2);
    } else if (s == "xmark") {
        p.setPen(strokePen(color, 1.7));
        p.drawLine(QPointF(4.0, 4.0), QPointF(12.0, 12.0));
        p.drawLine(QPointF(12.0, 4.0), QPointF(4.0, 12.0));
    } else if (s == "circle.fill") {
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawEllipse(QPointF(8.0, 8.0), 6.0, 6.0);
    } else if (s == "timer") {
        p.drawEllipse(QPointF(8.0, 9.2), 5.6, 5.6);
        p.drawLine(QPointF(8.0, 3.6), QPointF(8.0, 1.7));
        p.drawLine(QPointF(6.3, 1.7), QPointF(9.7, 1.7));
        p.drawLine(QPointF(8.0, 9.2), QPointF(10.2, 7.0));
    } else if (s == "checkmark.shield") {
        QPainterPath shield;
        shield.moveTo(8.0, 1.6);
        shield.lineTo(13.2, 3.6);
        shield.lineTo(13.2, 7.8);
        shield.cubicTo(13.2, 10.9, 11.0, 13.2, 8.0, 14.5);
        shield.cubicTo(5.0, 13.2, 2.8, 10.9, 2.8, 7.8);
        shield.lineTo(2.8, 3.6);
        shield.closeSubpath();
        p.drawPath(shield);
        QPainterPath check;
        check.moveTo(5.6, 8.1);
        check.lineTo(7.3, 9.8);
        check.lineTo(10.5, 6.2);
        p.drawPath(check);
    } else if (s == "chevron.right") {
        p.setPen(strokePen(color, 1.8));
        p.drawPolyline(QPolygonF({{6.0, 2.8}, {10.8, 8.0}, {6.0, 13.2}}));
    }
}

class SymbolIconEngine : public QIconEngine {
public:
    SymbolIconEngine(QString symbol, ThemeColor tint, int size, QString themeName)
        : m_symbol(std::move(symbol)),
          m_tint(tint),
          m_size(size),
          m_themeName(std::move(themeName)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const qreal ratio =
            painter->device() != nullptr ? painter->device()->devicePixelRatio() : 1;
        painter->drawPixmap(rect, render(rect.size(), ratio, mode));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        return render(size, 1.0, mode);
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {QSize(m_size, m_size)};
    }

    QString iconName() override { return m_symbol; }
    QString key() const override { return QStringLiteral("tidemark-symbol"); }
    QIconEngine* clone() const override { return new SymbolIconEngine(*this); }

private:
    QPixmap render(QSize size, qreal ratio, QIcon::Mode mode) const {
        QPixmap pixmap(size * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        if (size.isEmpty()) {
            return pixmap;
        }
        QColor color = m_tint.resolve();
        if (mode == QIcon::Disabled) {
            color.setAlphaF(0.45);
        }
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        if (!m_themeName.isEmpty()) {
            const QIcon source = QIcon::fromTheme(m_themeName);
            p.drawPixmap(QRect(QPoint(0, 0), size), source.pixmap(size, ratio));
            p.setCompositionMode(QPainter::CompositionMode_SourceIn);
            p.fillRect(QRect(QPoint(0, 0), size), color);
        } else {
            const qreal side = std::min(size.width(), size.height());
            p.translate((size.width() - side) / 2.0, (size.height() - side) / 2.0);
            p.scale(side / 16.0, side / 16.0);
            drawSymbolArtwork(p, m_symbol, color);
        }
        return pixmap;
    }

    QString m_symbol;
    ThemeColor m_tint;
    int m_size;
    QString m_themeName;
};

}  // namespace

QIcon symbolIcon(const QString& sfSymbolName, const ThemeColor& tint, int size) {
    const SymbolEntry* entry = findEntry(sfSymbolName);
    if (entry == nullptr) {
        return {};
    }
    QString themeName;
    if (themeCoversAllSymbols()) {
        themeName = themeNameFor(*entry).value_or(QString());
    }
    return QIcon(new SymbolIconEngine(sfSymbolName, tint, size, themeName));
}

QStringList knownSymbols() {
    QStringList names;
    for (const SymbolEntry& entry : kSymbols) {
        names << QString::fromLatin1(entry.symbol);
    }
    return names;
}

SymbolButton::SymbolButton(const QString& title, const QString& symbol, Bezel bezel,
                           QWidget* parent)
    : QPushButton(title, parent), m_symbol(symbol), m_bezel(bezel) {
    setFont(AppVisualTheme::font(11));
    setAttribute(Qt::WA_Hover);
    // A click must not leave a focus ring behind; the keyboard still reaches
    // the button.
    setFocusPolicy(Qt::TabFocus);
}

void SymbolButton::setSymbol(const QString& symbol) {
    m_symbol = symbol;
    QWidget::update();
}

void SymbolButton::setTint(const ThemeColor& tint) {
    m_tint = tint;
    QWidget::update();
}

void SymbolButton::setSymbolSize(int pixels) {
    m_symbolSize = pixels;
    updateGeometry();
    QWidget::update();
}

QSize SymbolButton::sizeHint() const {
    int width = AppVisualTheme::scaled(8 + m_symbolSize + 8);
    if (!text().isEmpty()) {
        width += 4 + fontMetrics().horizontalAdvance(text());
    }
    return {width, std::max(AppVisualTheme::scaled(26), fontMetrics().height() + 4)};
}

void SymbolButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool hovered = underMouse() && isEnabled();
    const qreal radius = m_bezel == Bezel::rounded ? 6.0 : 5.0;

    QColor fill = Qt::transparent;
    QColor border = Qt::transparent;
    if (m_bezel == Bezel::rounded) {
        fill = AppVisualTheme::control.resolve();
        border = AppVisualTheme::line.resolve();
        if (isDown()) {
            fill = AppVisualTheme::line.resolve();
        } else if (hovered) {
            fill = AppVisualTheme::card.resolve();
        }
        if (!isEnabled()) {
            fill.setAlphaF(0.5);
            border.setAlphaF(0.5);
        }
    } else if (isDown()) {
        fill = AppVisualTheme::line.resolve();
    } else if (hovered) {
        fill = AppVisualTheme::control.resolve();
    }
    p.setPen(border.alpha() > 0 ? QPen(border, 1) : Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(bounds, radius, radius);

    const int symbol = AppVisualTheme::scaled(m_symbolSize);
    const bool titled = !text().isEmpty();
    const int titleWidth = titled ? fontMetrics().horizontalAdvance(text()) : 0;
    const int contentWidth = symbol + (titled ? 4 + titleWidth : 0);
    const int x = (width() - contentWidth) / 2;
    const QRect symbolRect(x, (height() - symbol) / 2, symbol, symbol);
    const ThemeColor tint = isEnabled() ? m_tint : AppVisualTheme::tertiaryLabel;
    symbolIcon(m_symbol, tint, symbol).paint(&p, symbolRect);
    if (titled) {
        p.setPen((isEnabled() ? AppVisualTheme::text : AppVisualTheme::tertiaryLabel).resolve());
        p.setFont(font());
        // Centre the ink, not the line box: CJK fonts carry a deep descent
        // that would leave the title sitting below the symbol.
        const QRect ink = fontMetrics().tightBoundingRect(text());
        const qreal baseline = height() / 2.0 - (ink.top() + ink.height() / 2.0);
        p.drawText(QPointF(symbolRect.right() + 1 + 4, qRound(baseline)), text());
    }
    if (hasFocus() && m_keyboardFocus) {
        drawFocusRing(p, rect(), radius);
    }
}

// The ring marks keyboard navigation only; a window that hands its first
// button the focus on activation should not look as if it had been tabbed to.
void SymbolButton::focusInEvent(QFocusEvent* event) {
    m_keyboardFocus =
        event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QPushButton::focusInEvent(event);
}

void SymbolButton::focusOutEvent(QFocusEvent* event) {
    m_keyboardFocus = false;
    QPushButton::focusOutEvent(event);
}

}  // namespace tidemark::ui
