#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

namespace tidemark::ui {

// The tray logo, drawn for 31 × 18 with a version at twice the density for
// high-resolution panels.
struct BrandImage {
    static constexpr QSize kSize{31, 18};

    QImage standard;  // kSize
    QImage doubled;   // 2 × kSize; null when the file has no such version
    QString description;

    bool isNull() const { return standard.isNull(); }
    // Both densities, so that the tray picks the sharper one for its size.
    QIcon icon() const;
};

// Where "tidemark-logo.png" is looked for, in order: beside the program (a
// build directory or an unpacked archive), then the installed data
// directories.
QStringList brandLogoDirectories();

// The first decodable logo in `directories`, with "tidemark-logo@2x.png"
// from the same directory when there is one. Null when none is found; the
// caller shows text instead.
BrandImage loadBrandLogo(const QStringList& directories = brandLogoDirectories());

// `image` in one colour: every pixel takes `color` and keeps the logo's own
// alpha, so that the shape and its antialiasing survive.
QImage tintedBrandImage(const QImage& image, const QColor& color);
BrandImage tintedBrandImage(const BrandImage& image, const QColor& color);

// The tray's three pictures: the logo as drawn for a calm system, orange
// for watch, red for warning and critical. All null when `logo` is.
struct BrandImageSet {
    BrandImage normal;
    BrandImage watch;
    BrandImage warning;
};
BrandImageSet makeBrandImages(const BrandImage& logo);

// Stands in for a missing logo: the product name drawn as an icon, light
// text with a dark rim so that it reads on light and dark panels.
QIcon brandTextIcon(const QString& text);

}  // namespace tidemark::ui
