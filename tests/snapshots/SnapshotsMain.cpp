#include <QApplication>
#include <QCoreApplication>
#include <QPixmap>
#include <QWidget>
#include <cstdio>

#include "Snapshots.h"
#include "ui/AppVisualTheme.h"

namespace tidemark::snapshots {

bool save(QWidget* widget, const QDir& dir, const QString& name) {
    widget->show();
    widget->adjustSize();
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
    const QString path = dir.filePath(name + ".png");
    const bool ok = widget->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
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
    dir.mkpath(".");
    using namespace tidemark::snapshots;
    renderPanelSnapshots(dir);
    renderWindowSnapshots(dir);
    renderTraySnapshots(dir);
    return 0;
}
