#pragma once

#include <QPixmap>
#include <QSize>

namespace ossivant {

// The pictures of the check animation and the splash window, drawn in code so
// that they scale with the screen and need no image files. Each has a
// transparent background and is drawn for the given device pixel ratio.

// The earth seen from space: a disc of sea with land and a thin atmosphere.
QPixmap EarthPicture(int diameter, qreal pixelRatio = 1.0);

// A small rocket lying on its side, nose to the left (towards the earth).
QPixmap SpaceShipPicture(QSize size, qreal pixelRatio = 1.0);

// A pulse of light with a bright head and a fading tail: the forward ray runs
// to the right (head on the right), the back ray to the left.
QPixmap RayPicture(QSize size, bool forward, qreal pixelRatio = 1.0);

}  // namespace ossivant
