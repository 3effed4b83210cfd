#include "ui/WidgetSupport.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLayout>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QWidget>

namespace tidemark::ui {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QString oneLine(const QString& text) {
    QString line = text;
    for (QChar& c : line) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator) {
            c = QLatin1Char(' ');
        }
    }
    return line;
}

void setPlainTitle(QAbstractButton* button, const QString& title) {
    button->setText(oneLine(title));
    button->setShortcut(QKeySequence());
}

void reserveScrollBarGap(QScrollArea* scroll, QLayout* contentLayout) {
    QObject::connect(scroll->verticalScrollBar(), &QScrollBar::rangeChanged, contentLayout,
                     [contentLayout](int, int maximum) {
                         contentLayout->setContentsMargins(0, 0, maximum > 0 ? 8 : 0, 0);
                     });
}

void centreOnScreen(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    QRect frame(QPoint(), window->size());
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

}  // namespace tidemark::ui
