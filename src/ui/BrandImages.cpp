#include "ui/BrandImages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStandardPaths>

#include "ui/AppVisualTheme.h"

namespace tidemark::ui {

namespace {

constexpr const char* kLogoFile = "tidemark-logo.png";
constexpr const char* kDoubledLogoFile = "tidemark-logo@2x.png";

QImage readImage(const QString& path, QSize size) {
    if (!QFileInfo::exists(path)) {
        return {};
    }
    QImageReader reader(path);
    // A logo is a few hundred bytes; refuse anything that would need a
    // large allocation to decode.
    reader.setAllocationLimit(16);
    QImage image = reader.read();
    if (image.isNull()) {
        return {};
    }
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.size() != size) {
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return image;
}

}  // namespace

QIcon BrandImage::icon() const {
    QIcon icon;
    if (!standard.isNull()) {
        icon.addPixmap(QPixmap::fromImage(standard));
    }
    if (!doubled.isNull()) {
        icon.addPixmap(QPixmap::fromImage(doubled));
    }
    return icon;
}

QStringList brandLogoDirectories() {
    QStringList directories;
    if (QCoreApplication::instance() != nullptr) {
        const QString programDir = QCoreApplication::applicationDirPath();
        directories << programDir;
        directories << QDir::cleanPath(programDir + "/../share/tidemark");
    }
#ifdef TIDEMARK_INSTALLED_DATA_DIR
    // Where `make install` or the package put it, wherever the program was
    // started from.
    directories << QString::fromUtf8(TIDEMARK_INSTALLED_DATA_DIR);
#endif
    for (const QString& dataDir :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        directories << QDir(dataDir).filePath("tidemark");
    }
    directories.removeDuplicates();
    return directories;
}

BrandImage loadBrandLogo(const QStringList& directories) {
    for (const QString& directory : directories) {
        const QDir dir(directory);
        BrandImage logo;
        logo.standard = readImage(dir.filePath(kLogoFile), BrandImage::kSize);
        if (logo.standard.isNull()) {
            continue;
        }
        logo.doubled = readImage(dir.filePath(kDoubledLogoFile), BrandImage::kSize * 2);
        logo.description = QStringLiteral("潮痕");
        return logo;
    }
    return {};
}

QImage tintedBrandImage(const QImage& image, const QColor& color) {
    if (image.isNull()) {
        return {};
    }
    QImage result(image.size(), QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.drawImage(QPoint(0, 0), image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(result.rect(), color);
    painter.end();
    return result;
}

BrandImage tintedBrandImage(const BrandImage& image, const QColor& color) {
    BrandImage result;
    result.standard = tintedBrandImage(image.standard, color);
    result.doubled = tintedBrandImage(image.doubled, color);
    result.description = QStringLiteral("潮痕预警");
    return result;
}

BrandImageSet makeBrandImages(const BrandImage& logo) {
    if (logo.isNull()) {
        return {};
    }
    return {logo, tintedBrandImage(logo, AppVisualTheme::systemOrange.resolve()),
            tintedBrandImage(logo, AppVisualTheme::systemRed.resolve())};
}

namespace {
constexpr int kDotsPerMeterAt96Dpi = 3780;  // 96 / 0.0254, rounded
}  // namespace

QIcon brandTextIcon(const QString& text) {
    QIcon icon;
    for (const int scale : {1, 2}) {
        const QSize size = QSize(36, 18) * scale;
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        // The tray's slot is measured in pixels, whatever the user's font:
        // the image is declared 96 dpi, where a point is 4/3 pixel, so that
        // the name is 13 pixels high at every desktop setting.
        image.setDotsPerMeterX(kDotsPerMeterAt96Dpi);
        image.setDotsPerMeterY(kDotsPerMeterAt96Dpi);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        QFont base;
        base.setPointSizeF(13 * scale * 0.75);
        base.setWeight(QFont::DemiBold);
        const QFont font(base, &image);
        QPainterPath path;
        const QFontMetricsF metrics(font, &image);
        const QPointF origin((size.width() - metrics.horizontalAdvance(text)) / 2,
                             (size.height() + metrics.ascent() - metrics.descent()) / 2);
        path.addText(origin, font, text);
        painter.setPen(
            QPen(QColor(20, 24, 30, 200), 2.0 * scale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(path);
        painter.fillPath(path, QColor(0xF4, 0xF7, 0xFB));
        painter.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

}  // namespace tidemark::ui
