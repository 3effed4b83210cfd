#include "ui/TrayPopover.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

namespace tidemark {
namespace {

// Content that grows while shown, as the panel does when advice appears.
constexpr QSize kCalm(350, 400);
constexpr QSize kCritical(350, 534);

TEST(TrayPopoverTest, GrowingContentKeepsTheFrameOnItsScreen) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_GE(area.height(), 560);
    struct Case {
        const char* where;
        QRect anchor;
        bool keepsBottomEdge;
    };
    const Case cases[] = {
        {"tray in the bottom right corner", QRect(area.right() - 23, area.bottom() - 23, 24, 24),
         true},
        // Opened from the menu, at the cursor.
        {"middle of the screen", QRect(area.center(), QSize(1, 1)), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        TrayPopover popover;
        auto* content = new QWidget;
        popover.setContent(content);
        popover.showAnchored(c.anchor, kCalm);
        const QRect calm = popover.geometry();
        EXPECT_TRUE(area.contains(calm)) << calm.top() << "+" << calm.height();
        popover.setContentSize(kCritical);
        const QRect critical = popover.geometry();
        EXPECT_EQ(critical.size(), kCritical + QSize(2, 2));
        EXPECT_TRUE(area.contains(critical)) << critical.top() << "+" << critical.height();
        QCoreApplication::processEvents();
        EXPECT_EQ(content->geometry(), QRect(QPoint(1, 1), kCritical)) << "inside the hairline";
        if (c.keepsBottomEdge) {
            EXPECT_EQ(critical.bottom(), calm.bottom());
        }
    }
}

TEST(TrayPopoverTest, BelowTheItemOrAboveItAndAlwaysOnScreen) {
    const QRect screen(0, 0, 1920, 1080);
    const QSize size(350, 400);
    EXPECT_EQ(TrayPopover::placement(QRect(1000, 0, 24, 24), size, screen),
              QRect(QPoint(1011 - 175, 24), size));  // top panel: under, centred
    EXPECT_EQ(TrayPopover::placement(QRect(1000, 1056, 24, 24), size, screen).bottom(), 1055);
    EXPECT_EQ(TrayPopover::placement(QRect(1900, 0, 20, 20), size, screen).right(), 1919);
    EXPECT_EQ(TrayPopover::placement(QRect(5, 500, 1, 1), QSize(350, 700), screen),
              QRect(QPoint(0, 380), QSize(350, 700)));
}

TEST(TrayPopoverTest, FittedMovesInsideAndShrinksOnlyWhatIsTooLarge) {
    const QRect area(0, 0, 1440, 900);
    struct Case {
        QRect frame, expected;
    };
    const Case cases[] = {
        {QRect(100, 390, 352, 536), QRect(100, 364, 352, 536)},  // past the bottom edge
        {QRect(1200, -10, 352, 400), QRect(1088, 0, 352, 400)},  // past the top right
        {QRect(100, 100, 352, 400), QRect(100, 100, 352, 400)},  // inside: unchanged
        {QRect(0, 50, 352, 1200), QRect(0, 0, 352, 900)},        // taller than the screen
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TrayPopover::fitted(c.frame, area), c.expected) << c.frame.y();
    }
}

}  // namespace
}  // namespace tidemark
