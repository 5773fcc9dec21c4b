#pragma once
// A one-shot command goes to the Prentix that already runs, when there is
// one: the window the hook sends to, if it still is a Prentix window.

namespace prentix {

// True when a running Prentix took the command.
bool HandOverToRunningProgram(int command);

}  // namespace prentix
