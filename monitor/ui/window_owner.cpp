#include "monitor/ui/window_owner.h"

#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace ossivant {

void PlaceOverOwner(QWidget* window, QWidget* owner) {
    QWidget* top = owner ? owner->window() : nullptr;
    window->winId();  // the native window must exist to carry the transient hint
    if (top && top->windowHandle() && window->windowHandle())
        window->windowHandle()->setTransientParent(top->windowHandle());

    QRect area;
    if (top && top->isVisible() && !top->isMinimized())
        area = top->frameGeometry();
    else if (QScreen* screen = window->screen())
        area = screen->availableGeometry();
    if (area.isEmpty()) return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(area.center());
    window->move(frame.topLeft());
}

}  // namespace ossivant
