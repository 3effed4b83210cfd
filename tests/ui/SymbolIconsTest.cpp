#include "ui/SymbolIcons.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

namespace tidemark::ui {
namespace {

QImage render(const QString& symbol, const ThemeColor& tint) {
    return symbolIcon(symbol, tint).pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
}

// The colour of the most opaque pixel, and how many pixels are painted.
std::pair<QColor, int> ink(const QImage& image) {
    QColor strongest(Qt::transparent);
    int painted = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            painted += c.alpha() > 0;
            if (c.alpha() > strongest.alpha()) {
                strongest = c;
            }
        }
    }
    return {strongest, painted};
}

// Tests run without an icon theme, as on a bare system: every symbol the
// interface names must still draw, in its tint, and look like itself.
TEST(SymbolIconsTest, EverySymbolDrawsDistinctArtworkInItsTint) {
    const ThemeColor tint = AppVisualTheme::color(0x2060C0, 0xC06020);
    std::vector<QImage> seen;
    for (const QString& symbol : knownSymbols()) {
        const QImage image = render(symbol, tint);
        const auto [color, painted] = ink(image);
        EXPECT_GT(painted, 20) << symbol.toStdString();
        EXPECT_EQ(color.alpha(), 255) << symbol.toStdString();
        EXPECT_EQ(color.rgb() & 0xFFFFFF, 0x2060C0u) << symbol.toStdString();
        for (const QImage& other : seen) {
            EXPECT_NE(image, other) << symbol.toStdString() << " looks like another symbol";
        }
        seen.push_back(image);
    }
    EXPECT_EQ(seen.size(), 13u);
    EXPECT_TRUE(symbolIcon("no.such.symbol", tint).isNull());
}

TEST(SymbolIconsTest, TintFollowsTheAppearanceAtDrawingTime) {
    const ThemeColor tint = AppVisualTheme::color(0x2060C0, 0xC06020);
    const QIcon icon = symbolIcon("bell", tint);
    QApplication::setPalette(AppVisualTheme::standardPalette(Appearance::dark));
    const QColor dark = ink(icon.pixmap(32, 32).toImage()).first;
    QApplication::setPalette(AppVisualTheme::standardPalette(Appearance::light));
    EXPECT_EQ(dark.rgb() & 0xFFFFFF, 0xC06020u);
}

}  // namespace
}  // namespace tidemark::ui
