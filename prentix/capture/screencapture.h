#pragma once
// Copies of the screen for the capture commands, from the X server the
// program runs on.

#include <memory>

#include "prentix/image/secdib.h"

namespace prentix {

// The primary screen (HORZRES x VERTRES) as a 24-bit picture; null when
// there is no X display or the copy failed.
std::unique_ptr<SECDib> CaptureScreen();

// The window the desktop reports as active (0 for none), and giving the
// foreground back to it after a capture.
unsigned long ForegroundWindow();
void RestoreForeground(unsigned long window);

}  // namespace prentix
