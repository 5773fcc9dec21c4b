#pragma once
// What the page layout needs to know of a printer, read from Qt.

#include <QFont>

#include "prentix/print/layoutpage.h"

class QPrinter;

namespace prentix {

// The printable area in device pixels, the resolution, the extents of "A"
// and of texts in the font, and the screen's resolution for 1:1.
PageMetrics PrinterPageMetrics(QPrinter& printer, const QFont& font);

}  // namespace prentix
