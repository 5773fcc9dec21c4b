#pragma once
// The mouse pointers that can be stamped into a picture, drawn in code so
// that they look the same whatever pointer theme the desktop uses.

#include <QImage>
#include <QPoint>

namespace prentix {

// The mouse pointers a user can stamp into a picture, by command 32891..32901:
// 32891 arrow, 32892 text I-beam, 32893 hourglass (wait), 32894 cross (thin crosshair),
// 32895 up arrow, 32896 four-way move arrow, 32897 north-west/south-east sizing arrow,
// 32898 north-east/south-west sizing arrow, 32899 west-east sizing arrow,
// 32900 north-south sizing arrow, 32901 the program's own zoom pointer (a small magnifying
// glass with a "+" in it).
// Each is a 32 x 32 ARGB32 image (QImage::Format_ARGB32_Premultiplied), transparent where the
// pointer is not: black shapes with a one pixel white rim (the arrow: white with a black
// outline), so that they show on both dark and light pictures. hotSpot receives the pixel that
// points, always an opaque pixel of the shape: the arrow's tip (0,0); the up arrow's tip at the
// top centre; the centre of the lens for the zoom pointer; the centre of the shape for all
// others. A null image for any other command. Call from the GUI thread only.
QImage PointerImage(int command, QPoint* hotSpot = nullptr);

// Convenience: the number of pointers and the first command.
inline constexpr int kFirstPointer = 32891;
inline constexpr int kPointerCount = 11;

}  // namespace prentix
