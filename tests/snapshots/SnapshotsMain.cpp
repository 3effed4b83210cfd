#include <QApplication>
#include <QCoreApplication>
#include <QPixmap>
#include <QWidget>
#include <cstdio>

#include "Snapshots.h"
#include "ui/AppVisualTheme.h"

namespace tidemark::snapshots {

namespace {
int g_failures = 0;
}  // namespace

void report(bool ok, const QString& path) {
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    if (!ok) {
        ++g_failures;
    }
}

int failureCount() {
    return g_failures;
}

bool save(QWidget* widget, const QDir& dir, const QString& name) {
    widget->show();
    widget->adjustSize();
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
    const QString path = dir.filePath(name + ".png");
    const bool ok = widget->grab().save(path);
    report(ok, path);
    return ok;
}

void useAppearance(bool dark) {
    QApplication::setPalette(
        ui::AppVisualTheme::standardPalette(dark ? ui::Appearance::dark : ui::Appearance::light));
    QCoreApplication::processEvents();
}

}  // namespace tidemark::snapshots

// Renders the interface's states to PNG files for people to look at.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setStyle("Fusion");
    QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("build/snapshots"));
    using namespace tidemark::snapshots;
    if (!dir.mkpath(".")) {
        report(false, dir.path());
        return 1;
    }
    const QFont standard = QApplication::font();
    // The same states with the desktop's font at 1.5 and 0.8 times its size:
    // nothing may be clipped or overlap.
    const struct {
        const char* folder;
        qreal scale;
    } sizes[] = {{"", 1.0}, {"font-150", 1.5}, {"font-80", 0.8}};
    for (const auto& size : sizes) {
        QFont font = standard;
        font.setPointSizeF(standard.pointSizeF() * size.scale);
        QApplication::setFont(font);
        QDir target = dir;
        if (*size.folder != '\0' && !(dir.mkpath(size.folder) && target.cd(size.folder))) {
            report(false, dir.filePath(size.folder));
            continue;
        }
        renderPanelSnapshots(target);
        renderWindowSnapshots(target);
        renderTraySnapshots(target);
    }
    // A picture that could not be saved must not pass for a complete set.
    return failureCount() == 0 ? 0 : 1;
}
