#pragma once

#include <QDir>
#include <QString>

class QWidget;

namespace tidemark::snapshots {

// Renders `widget` (shown offscreen, laid out, events processed) to
// dir/name.png. Returns false when the file could not be written.
bool save(QWidget* widget, const QDir& dir, const QString& name);

// Prints whether `path` was written and counts the failures, which the
// program's exit status reports.
void report(bool ok, const QString& path);
int failureCount();

// Switches the application palette to the light or dark appearance.
void useAppearance(bool dark);

void renderPanelSnapshots(const QDir& dir);
void renderWindowSnapshots(const QDir& dir);
void renderTraySnapshots(const QDir& dir);

}  // namespace tidemark::snapshots
