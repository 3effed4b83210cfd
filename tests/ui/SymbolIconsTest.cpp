#include "ui/SymbolIcons.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include <algorithm>

namespace tidemark::ui {
namespace {

const ThemeColor kTint = AppVisualTheme::color(0x2060C0, 0xC06020);

// The colour of the most opaque pixel, and how many pixels are painted.
std::pair<QColor, int> ink(const QIcon& icon) {
    const QImage image = icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
    QColor strongest(Qt::transparent);
    int painted = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            painted += c.alpha() > 0;
            strongest = c.alpha() > strongest.alpha() ? c : strongest;
        }
    }
    return {strongest, painted};
}

// Tests run without an icon theme, as on a bare system: every symbol the
// interface names must still draw, in its tint, and look like itself.
TEST(SymbolIconsTest, EverySymbolDrawsDistinctArtworkInItsTint) {
    std::vector<QImage> seen;
    for (const QString& symbol : knownSymbols()) {
        SCOPED_TRACE(symbol.toStdString());
        const QIcon icon = symbolIcon(symbol, kTint);
        const auto [color, painted] = ink(icon);
        EXPECT_GT(painted, 20);
        EXPECT_EQ(color.alpha(), 255);
        EXPECT_EQ(color.rgb() & 0xFFFFFF, 0x2060C0u);
        const QImage image = icon.pixmap(32, 32).toImage();
        EXPECT_EQ(std::count(seen.begin(), seen.end(), image), 0) << "looks like another symbol";
        seen.push_back(image);
    }
    EXPECT_EQ(seen.size(), 13u);
    EXPECT_TRUE(symbolIcon("no.such.symbol", kTint).isNull());
}

TEST(SymbolIconsTest, TintFollowsTheAppearanceAtDrawingTime) {
    const QIcon icon = symbolIcon("bell", kTint);
    QApplication::setPalette(AppVisualTheme::standardPalette(Appearance::dark));
    const QColor dark = ink(icon).first;
    QApplication::setPalette(AppVisualTheme::standardPalette(Appearance::light));
    EXPECT_EQ(dark.rgb() & 0xFFFFFF, 0xC06020u);
}

}  // namespace
}  // namespace tidemark::ui
