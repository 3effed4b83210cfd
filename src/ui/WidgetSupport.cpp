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

QScrollArea* documentScroll(QWidget* document, QLayout* documentLayout, int minimumHeight) {
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->setWidgetResizable(true);
    scroll->viewport()->setAutoFillBackground(false);
    scroll->setMinimumHeight(minimumHeight);
    scroll->setWidget(document);
    document->setAutoFillBackground(false);
    QObject::connect(scroll->verticalScrollBar(), &QScrollBar::rangeChanged, documentLayout,
                     [documentLayout](int, int maximum) {
                         documentLayout->setContentsMargins(0, 0, maximum > 0 ? 8 : 0, 0);
                     });
    return scroll;
}

namespace {

void invalidateLayoutItems(QLayoutItem* item) {
    item->invalidate();
    if (QLayout* layout = item->layout()) {
        for (int i = 0; QLayoutItem* child = layout->itemAt(i); ++i) {
            invalidateLayoutItems(child);
        }
    }
}

}  // namespace

void refreshSizeHints(QWidget* root) {
    const QList<QWidget*> descendants = root->findChildren<QWidget*>();
    for (QWidget* widget : descendants) {
        // Clears what the parent's layout remembers of this widget's hint.
        widget->updateGeometry();
    }
    for (QWidget* widget : descendants) {
        if (widget->layout()) {
            invalidateLayoutItems(widget->layout());
        }
    }
    if (root->layout()) {
        invalidateLayoutItems(root->layout());
    }
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
