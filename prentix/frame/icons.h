#pragma once
// The program's pictures, drawn in code so that they need no image files
// and look the same on every desktop. Call from the GUI thread only, after
// the application object exists.

#include <QIcon>
#include <QPixmap>

namespace prentix {

// A small printer in front of a monitor, at 16, 22, 24, 32, 48, 64 and 128
// pixels: the window, the tray and the about box.
QIcon ProgramIcon();

// The picture beside the about text, 32x32: a printed screen picture.
QPixmap AboutPicture();

// The tool-bar image of a command, 16x15 or (large) 24x23; a null icon for
// a command without one, such as the zoom box.
QIcon CommandIcon(int id, bool large);

}  // namespace prentix
