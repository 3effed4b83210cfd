#include <QImage>
#include <QPainter>
#include <cstdio>

#include "Snapshots.h"
#include "ui/BrandImages.h"

namespace tidemark::snapshots {

namespace {

// Every logo pixel as a 4 × 4 block, so that the antialiasing at the drawn
// size can be judged.
void saveEnlarged(const ui::BrandImage& image, const QDir& dir, const QString& name) {
    const QImage enlarged = image.standard.scaled(image.standard.size() * 4, Qt::IgnoreAspectRatio,
                                                  Qt::FastTransformation);
    const QString path = dir.filePath(name + ".png");
    const bool ok = enlarged.save(path);
    report(ok, path);
}

}  // namespace

void renderTraySnapshots(const QDir& dir) {
    QStringList directories = ui::brandLogoDirectories();
    directories << QStringLiteral(TIDEMARK_SOURCE_DIR "/resources");
    const ui::BrandImage logo = ui::loadBrandLogo(directories);
    if (logo.isNull()) {
        report(false, QStringLiteral("tidemark-logo.png (not found)"));
        return;
    }
    const ui::BrandImageSet images = ui::makeBrandImages(logo);
    saveEnlarged(images.normal, dir, "tray-safe");
    saveEnlarged(images.watch, dir, "tray-watch");
    saveEnlarged(images.warning, dir, "tray-warning");
}

}  // namespace tidemark::snapshots
