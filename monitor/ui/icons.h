#pragma once

#include <QIcon>
#include <QPixmap>

namespace ossivant::icons {

// The pictures of the main window, drawn at run time so that they follow the
// screen's scale. Each is made once and shared.

// Small icons of the list: "Checked" / "UnChecked" (enabled flag) and the
// status lights, images 1 to 3 of the report image list.
QIcon Checked();
QIcon UnChecked();
QIcon Light(int image);  // 1 green, 2 yellow, 3 red; a null icon otherwise

// Header arrows "Ascending" and "Descending".
QIcon Ascending();
QIcon Descending();

// The indicator pictures of the two view filters: imgColors for
// ViewResultFilter 0..3, imgEnabled for ViewEnabledFilter 0..2.
QPixmap ResultFilterPicture(int filter);
QPixmap EnabledFilterPicture(int filter);

// The program's own icon (window and tray).
QIcon Program();

// The tray icon for a light of the list (1 to 3) in the tray's sizes; the
// program's icon for any other.
QIcon TrayIcon(int light);

}  // namespace ossivant::icons
