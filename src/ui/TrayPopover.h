#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <QWindow>

#include <functional>

class QVBoxLayout;

namespace tidemark {

// The frameless window that holds the status panel under the tray item.
// It closes on a click anywhere else; every way of closing reports onClosed.
class TrayPopover final : public QWidget {
    Q_OBJECT

public:
    // A hairline around the content, so that the popover stands apart from
    // a window of the same colour behind it.
    static constexpr int kBorder = 1;

    explicit TrayPopover(QWidget* parent = nullptr);

    // Without a tray the panel is an ordinary window: decorated, in the task
    // bar, placed by the window manager, staying open until closed. Takes
    // effect at the next showing.
    void setWindowMode(bool windowMode);
    bool isWindowMode() const { return m_windowMode; }
    // Shows it as that window, centred on the screen at first.
    void showAsWindow(QSize size);

    // Takes the content; the previous one is discarded (deleted later, since
    // it may be the sender of what closed the popover).
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }

    // Shows the popover with its content at `size` (the frame adds the border), under `anchor`
    // (global coordinates; empty: at the cursor), inside the screen's free area.
    void showAnchored(const QRect& anchor, QSize size);
    // Follows a new preferred size of the content while shown, keeping the
    // edge that faces the anchor in place as long as the frame stays inside
    // its screen's free area.
    void setContentSize(QSize size);

    // Where a popover of `size` goes for `anchor`: below it, centred on it,
    // or above it when there is no room below; then moved inside `available`.
    static QRect placement(const QRect& anchor, QSize size, const QRect& available);
    // `frame` moved, and shrunk only if larger, to lie inside `available`.
    static QRect fitted(QRect frame, const QRect& available);

    std::function<void()> onClosed;

protected:
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyFrame(const QRect& frame);
    void followScreen();
    void refit();

    QVBoxLayout* m_frame = nullptr;
    QPointer<QWidget> m_content;
    QPointer<QWindow> m_followedWindow;
    QRect m_anchor;
    bool m_closesOnDeactivation = false;
    bool m_windowMode = false;
};

}  // namespace tidemark
