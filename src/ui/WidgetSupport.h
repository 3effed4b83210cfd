#pragma once

#include <QString>
#include <string>

class QAbstractButton;
class QLayout;
class QScrollArea;
class QWidget;

namespace tidemark::ui {

// The core speaks UTF-8 std::string; every label and button takes QString.
QString qs(const std::string& text);

// Names from the process table may hold line breaks or other control
// characters; in a one-line label or on a button they must not break the
// line, so each becomes a space.
QString oneLine(const QString& text);

// On a button, "&" would make the next character a keyboard shortcut and a
// line feed a second line; the title is drawn as the plain one-line text
// it is.
void setPlainTitle(QAbstractButton* button, const QString& title);

// A frameless view of `document` that scrolls only vertically, with the
// window showing through; `documentLayout` keeps clear of the scroll bar
// while it is shown.
QScrollArea* documentScroll(QWidget* document, QLayout* documentLayout, int minimumHeight);

// Drops every size hint cached below `root`, so that root->sizeHint() at
// once reflects texts just set. Qt refreshes them through posted layout
// requests, one nesting level per pass of the event loop and none while the
// widget is hidden; a window sized from the hint before then would be sized
// for the previous content.
void refreshSizeHints(QWidget* root);

// Places a top-level window in the middle of its screen's free area (the
// primary screen while it has none yet).
void centreOnScreen(QWidget* window);

}  // namespace tidemark::ui
