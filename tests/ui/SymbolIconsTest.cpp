#include "ui/SymbolIcons.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include <algorithm>
#include <span>

namespace tidemark::ui {
namespace {

const ThemeColor kTint = AppVisualTheme::color(0x2060C0, 0xC06020);

// The colour of the most opaque pixel, and how many pixels are painted.
std::pair<QRgb, int> ink(const QIcon& icon) {
    const QImage image = icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
    const std::span pixels(reinterpret_cast<const QRgb*>(image.constBits()),
                           image.width() * image.height());
    const auto byAlpha = [](QRgb a, QRgb b) { return qAlpha(a) < qAlpha(b); };
    return {*std::ranges::max_element(pixels, byAlpha),
            int(std::ranges::count_if(pixels, [](QRgb p) { return qAlpha(p) > 0; }))};
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
        EXPECT_EQ(color, 0xFF2060C0u);
        const QImage image = icon.pixmap(32, 32).toImage();
        EXPECT_EQ(std::count(seen.begin(), seen.end(), image), 0) << "looks like another symbol";
        seen.push_back(image);
    }
    EXPECT_TRUE(symbolIcon("no.such.symbol", kTint).isNull());
}

TEST(SymbolIconsTest, TintFollowsTheAppearanceAtDrawingTime) {
    const QIcon icon = symbolIcon("bell", kTint);
    QApplication::setPalette(AppVisualTheme::standardPalette(Appearance::dark));
    const QRgb dark = ink(icon).first;
    QApplication::setPalette(AppVisualTheme::standardPalette(Appearance::light));
    EXPECT_EQ(dark, 0xFFC06020u);
}

}  // namespace
}  // namespace tidemark::ui
