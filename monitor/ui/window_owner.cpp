#include "monitor/ui/window_owner.h"

#include <QMargins>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace ossivant {

namespace {

// Until a window has been mapped, X11 window managers have not told its
// frame: room is kept for a title bar and borders as they commonly draw
// them, and the window is placed by its inside, which is what the window
// manager then puts where it was asked to.
constexpr QMargins kAssumedFrame(4, 30, 4, 4);

struct Frame {
    QMargins margins;
    bool known = true;
};

Frame FrameOf(const QWidget* window) {
    if (window->windowFlags() & Qt::FramelessWindowHint) return {};
    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    if (frame == inner) return {kAssumedFrame, false};
    return {{inner.left() - frame.left(), inner.top() - frame.top(),
             frame.right() - inner.right(), frame.bottom() - inner.bottom()}};
}

// An offset that keeps [start, start + length) inside [low, low + room); when
// it cannot, the start (the title bar, the left edge) stays in view.
int KeptInside(int start, int length, int low, int room) {
    return std::max(low, std::min(start, low + room - length));
}

void FitAndCentre(QWidget* window, const QRect& area, const QPoint& centre) {
    window->winId();  // a platform that knows the frame before showing tells it now
    // A window shown for the first time takes its size hint; it is taken now,
    // so that the centring works with the size it will have.
    if (!window->testAttribute(Qt::WA_Resized)) window->adjustSize();
    const Frame frame = FrameOf(window);
    const QSize room = area.size().shrunkBy(frame.margins);
    const QSize size = window->size().boundedTo(room).expandedTo(window->minimumSize());
    if (size != window->size()) window->resize(size);

    QRect outer(QPoint(), size.grownBy(frame.margins));
    outer.moveCenter(centre);
    QPoint at(KeptInside(outer.left(), outer.width(), area.left(), area.width()),
              KeptInside(outer.top(), outer.height(), area.top(), area.height()));
    if (!frame.known) at += QPoint(frame.margins.left(), frame.margins.top());
    window->move(at);
}

}  // namespace

void PlaceOverOwner(QWidget* window, QWidget* owner) {
    QWidget* top = owner ? owner->window() : nullptr;
    window->winId();  // the native window must exist to carry the transient hint
    if (top && top->windowHandle() && window->windowHandle())
        window->windowHandle()->setTransientParent(top->windowHandle());

    const bool ownerInView = top && top->isVisible() && !top->isMinimized();
    QScreen* screen = ownerInView ? top->screen() : window->screen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    FitAndCentre(window, area, ownerInView ? top->frameGeometry().center() : area.center());
}

void PlaceOnScreen(QWidget* window) {
    QScreen* screen = window->screen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    FitAndCentre(window, area, area.center());
}

}  // namespace ossivant
