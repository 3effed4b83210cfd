#include "ui/AppVisualTheme.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyleOptionButton>

namespace tidemark::ui {

namespace {

constexpr const char* kColorProperty = "tidemarkThemeColor";

QColor fromRgb(quint32 rgb) {
    return QColor::fromRgb((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

qulonglong pack(const ThemeColor& c) {
    return (qulonglong(c.light) << 32) | c.dark;
}
ThemeColor unpack(qulonglong v) {
    return {quint32(v >> 32), quint32(v & 0xFFFFFFFFu)};
}

void applyColor(QWidget* widget, const ThemeColor& color) {
    QPalette p = widget->palette();
    const QColor resolved = color.resolve();
    p.setColor(QPalette::WindowText, resolved);
    p.setColor(QPalette::Text, resolved);
    p.setColor(QPalette::ButtonText, resolved);
    widget->setPalette(p);
}

// Re-applies bound colours when the application palette changes. Installed
// on a top-level widget, which receives the change before its children.
class AppearanceWatcher : public QObject {
public:
    AppearanceWatcher(QWidget* owner, std::function<void()> apply)
        : QObject(owner), m_apply(std::move(apply)) {
        owner->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::ApplicationPaletteChange && !m_applying) {
            m_applying = true;
            m_apply();
            m_applying = false;
        }
        return false;
    }

private:
    std::function<void()> m_apply;
    bool m_applying = false;
};

}  // namespace

QColor ThemeColor::resolve() const {
    return resolve(AppVisualTheme::currentAppearance());
}

QColor ThemeColor::resolve(Appearance appearance) const {
    return fromRgb(appearance == Appearance::dark ? dark : light);
}

const ThemeColor AppVisualTheme::background{0xF2F2F4, 0x29292D};
const ThemeColor AppVisualTheme::card{0xFFFFFF, 0x36363B};
const ThemeColor AppVisualTheme::line{0xDDDDE2, 0x494950};
const ThemeColor AppVisualTheme::control{0xE7E7EB, 0x424248};
const ThemeColor AppVisualTheme::text{0x242428, 0xEEEEF2};
const ThemeColor AppVisualTheme::secondary{0x7B7B82, 0xAAAAB2};
const ThemeColor AppVisualTheme::primary{0x303036, 0xD9D9DF};
const ThemeColor AppVisualTheme::onPrimary{0xFFFFFF, 0x242428};

const ThemeColor AppVisualTheme::systemGreen{0x28A745, 0x30D158};
const ThemeColor AppVisualTheme::systemOrange{0xE08600, 0xFF9F0A};
const ThemeColor AppVisualTheme::systemRed{0xE0352B, 0xFF453A};
const ThemeColor AppVisualTheme::label{0x1D1D1F, 0xF2F2F7};
const ThemeColor AppVisualTheme::secondaryLabel{0x6E6E73, 0xA1A1A8};
const ThemeColor AppVisualTheme::tertiaryLabel{0x9A9AA0, 0x7A7A82};
const ThemeColor AppVisualTheme::separator{0xD6D6DB, 0x46464C};

Appearance AppVisualTheme::appearanceOf(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() < 128 ? Appearance::dark : Appearance::light;
}

Appearance AppVisualTheme::currentAppearance() {
    if (qApp == nullptr) {
        return Appearance::light;
    }
    return appearanceOf(QApplication::palette());
}

QPalette AppVisualTheme::standardPalette(Appearance a) {
    QPalette p;
    auto set = [&](QPalette::ColorRole role, const ThemeColor& c) {
        p.setColor(QPalette::All, role, c.resolve(a));
    };
    set(QPalette::Window, background);
    set(QPalette::Base, card);
    set(QPalette::AlternateBase, control);
    set(QPalette::Button, control);
    set(QPalette::WindowText, text);
    set(QPalette::Text, text);
    set(QPalette::ButtonText, text);
    set(QPalette::PlaceholderText, secondary);
    set(QPalette::ToolTipBase, card);
    set(QPalette::ToolTipText, text);
    set(QPalette::Mid, line);
    set(QPalette::Midlight, line);
    set(QPalette::Dark, line);
    set(QPalette::Highlight, primary);
    set(QPalette::HighlightedText, onPrimary);
    p.setColor(QPalette::Disabled, QPalette::WindowText, secondary.resolve(a));
    p.setColor(QPalette::Disabled, QPalette::Text, secondary.resolve(a));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, secondary.resolve(a));
    return p;
}

qreal AppVisualTheme::textScale() {
    const QFont f = qApp ? QApplication::font() : QFont();
    const qreal applicationPoints =
        f.pointSizeF() > 0 ? f.pointSizeF() : std::max(1, f.pixelSize()) * 0.75;
    return applicationPoints / kDesignPointSize;
}

int AppVisualTheme::scaled(qreal designPixels) {
    return qRound(designPixels * textScale());
}

QFont AppVisualTheme::font(qreal size, QFont::Weight weight) {
    QFont f = qApp ? QApplication::font() : QFont();
    // The design's sizes are pixels at 96 dpi beside an application font of
    // kDesignPointSize; a larger desktop font or a large-text setting scales
    // every text by the same factor, and the layouts follow the size hints.
    f.setPointSizeF(std::max<qreal>(1, size * 0.75 * textScale()));
    f.setWeight(weight);
    return f;
}

QFont AppVisualTheme::monospacedDigitFont(qreal size, QFont::Weight weight) {
    QFont f = font(size, weight);
    // Noto Sans and DejaVu Sans, the usual desktop fonts here, draw digits
    // at a fixed width already; this keeps ranked figures aligned.
    f.setStyleHint(QFont::SansSerif, QFont::PreferDefault);
    return f;
}

void AppVisualTheme::setTextColor(QWidget* widget, const ThemeColor& color) {
    widget->setProperty(kColorProperty, pack(color));
    applyColor(widget, color);
}

void AppVisualTheme::refreshColors(QWidget* root) {
    auto refreshOne = [](QWidget* w) {
        QVariant v = w->property(kColorProperty);
        if (v.isValid()) {
            applyColor(w, unpack(v.toULongLong()));
        }
        w->update();
    };
    refreshOne(root);
    for (QWidget* child : root->findChildren<QWidget*>()) {
        refreshOne(child);
    }
}

void AppVisualTheme::onAppearanceChange(QWidget* owner, std::function<void()> apply) {
    apply();
    new AppearanceWatcher(owner, std::move(apply));
}

QString AppVisualTheme::platformText(std::string_view PlatformTexts::*text) {
    const std::string_view value = platformTexts().*text;
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

QLabel* AppVisualTheme::makeLabel(const QString& text, qreal size, QFont::Weight weight,
                                  const ThemeColor& color, bool wrap, QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setTextFormat(Qt::PlainText);
    l->setText(text);
    l->setFont(font(size, weight));
    l->setWordWrap(wrap);
    setTextColor(l, color);
    return l;
}

void drawFocusRing(QPainter& painter, const QRectF& bounds, qreal radius) {
    QColor ring = AppVisualTheme::primary.resolve();
    ring.setAlphaF(0.5);
    painter.save();
    painter.setPen(QPen(ring, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(bounds.adjusted(1, 1, -1, -1), radius, radius);
    painter.restore();
}

void strokeChevron(QPainter& painter, QPointF from, QPointF tip, QPointF to, const QColor& color,
                   qreal lineWidth) {
    QPainterPath chevron;
    chevron.moveTo(from);
    chevron.lineTo(tip);
    chevron.lineTo(to);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, lineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(chevron);
    painter.restore();
}

AppThemeSurface::AppThemeSurface(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void AppThemeSurface::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), AppVisualTheme::background.resolve());
}

void AppThemeSurface::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::ApplicationPaletteChange) {
        update();
    }
    QWidget::changeEvent(event);
}

AppThemeAdviceEntry::AppThemeAdviceEntry(const QString& title, QWidget* parent)
    : QPushButton(title, parent) {
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
}

void AppThemeAdviceEntry::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = width();
    const qreal m = height() / 2.0;
    strokeChevron(p, {w - 21, m - 4}, {w - 17, m}, {w - 21, m + 4},
                  AppVisualTheme::secondary.resolve(), 1.5);
    if (hasFocus()) {
        drawFocusRing(p, rect(), 13);
    }
}

}  // namespace tidemark::ui
