#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QLayout>
#include <QWidget>

#include <gtest/gtest.h>

namespace tidemark::test {

// The application font at `scale` times its size for as long as it lives,
// as a desktop's larger or smaller text setting gives it.
class ScopedFontScale {
public:
    explicit ScopedFontScale(qreal scale) : m_standard(QApplication::font()) {
        QFont font = m_standard;
        font.setPointSizeF(m_standard.pointSizeF() * scale);
        QApplication::setFont(font);
    }
    ~ScopedFontScale() { QApplication::setFont(m_standard); }
    ScopedFontScale(const ScopedFontScale&) = delete;
    ScopedFontScale& operator=(const ScopedFontScale&) = delete;

private:
    QFont m_standard;
};

// Lays `window` out at its current size and checks that every label and
// button outside `scrolling` (whose content may scroll) has at least the
// height its text needs, lies inside the window and clear of the scrolling
// area: a squeezed label draws its text over its neighbours.
inline void expectNothingSqueezed(QWidget* window, const QWidget* scrolling) {
    window->layout()->activate();
    const QRect bounds = window->rect();
    const QRect scrollingArea = scrolling != nullptr
                                    ? QRect(scrolling->mapTo(window, QPoint()), scrolling->size())
                                    : QRect();
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window) || widget == scrolling ||
            (scrolling != nullptr && scrolling->isAncestorOf(widget))) {
            continue;
        }
        int needed = -1;
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            needed = label->wordWrap() ? label->heightForWidth(label->width())
                                       : label->minimumSizeHint().height();
        } else if (qobject_cast<QAbstractButton*>(widget) != nullptr) {
            needed = widget->minimumSizeHint().height();
        } else {
            continue;
        }
        const QRect placed(widget->mapTo(window, QPoint()), widget->size());
        SCOPED_TRACE(widget->objectName().toStdString() + " " + widget->metaObject()->className());
        EXPECT_GE(placed.height(), needed);
        EXPECT_TRUE(bounds.contains(placed));
        EXPECT_FALSE(placed.intersects(scrollingArea));
    }
}

}  // namespace tidemark::test
