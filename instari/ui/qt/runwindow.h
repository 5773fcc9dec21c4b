#pragma once
// A script run in the installer window: the window is shown, the script
// starts on its own thread as soon as it is, and the window closes itself
// when the script ends.

#include <functional>

namespace instari {

class QtUi;

// Runs script (which returns the exit code) and returns its code. Needs a
// QApplication; runs the event loop until the script has ended.
int RunInWindow(QtUi& ui, const std::function<int()>& script);

}  // namespace instari
