#pragma once

class QWidget;

namespace ossivant {

// Where the programs' windows open. Every window is kept whole on the
// available area of the screen it opens on (the screen less its panels):
// one larger than that area is made smaller, down to its minimum size, and
// one that would reach past an edge is moved in, its title bar first.
// Call these after the window flags are final and before showing.

// Keeps a top-level `window` above `owner`'s window (transient for it) and
// centres it over that window, or over the screen when there is no owner in
// view. The window is not made a Qt child of the owner on purpose: a child
// window is disabled together with its parent, and the main window disables
// itself while the welcome window, the about box or an editor is up.
void PlaceOverOwner(QWidget* window, QWidget* owner);

// Centres a window of its own (the main window, the log viewer, the tour) on
// its screen.
void PlaceOnScreen(QWidget* window);

}  // namespace ossivant
