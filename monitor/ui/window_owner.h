#pragma once

class QWidget;

namespace ossivant {

// Keeps a top-level `window` above `owner`'s window (transient for it) and
// centres it over that window, or over the screen when there is no owner in
// view. The window is not made a Qt child of the owner on purpose: a child
// window is disabled together with its parent, and the main window disables
// itself while the welcome window, the about box or an editor is up.
// Call it after the window flags are final and before showing.
void PlaceOverOwner(QWidget* window, QWidget* owner);

}  // namespace ossivant
