#include <QIcon>
#include <QImage>
#include <QPainter>
#include <cstdio>

#include "Snapshots.h"
#include "ui/BrandImages.h"

namespace tidemark::snapshots {

namespace {

// Every logo pixel as a 4 × 4 block, so that the antialiasing at the drawn
// size can be judged.
void saveEnlarged(const QImage& image, const QDir& dir, const QString& name) {
    const QImage enlarged =
        image.scaled(image.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const QString path = dir.filePath(name + ".png");
    const bool ok = enlarged.save(path);
    report(ok, path);
}

}  // namespace

void renderTraySnapshots(const QDir& dir) {
    // What the tray shows when no logo file can be found.
    const QIcon name = ui::brandTextIcon(QStringLiteral("潮痕"));
    saveEnlarged(name.pixmap(QSize(36, 18)).toImage(), dir, "tray-text");

    QStringList directories = ui::brandLogoDirectories();
    directories << QStringLiteral(TIDEMARK_SOURCE_DIR "/resources");
    const ui::BrandImage logo = ui::loadBrandLogo(directories);
    if (logo.isNull()) {
        report(false, QStringLiteral("tidemark-logo.png (not found)"));
        return;
    }
    const ui::BrandImageSet images = ui::makeBrandImages(logo);
    saveEnlarged(images.normal.standard, dir, "tray-safe");
    saveEnlarged(images.watch.standard, dir, "tray-watch");
    saveEnlarged(images.warning.standard, dir, "tray-warning");
}

}  // namespace tidemark::snapshots
