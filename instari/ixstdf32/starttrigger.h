#pragma once
// What makes the queue of deferred replacements run at the next start: for
// the machine (root with the machine's Windows directory) a flag file that
// the boot unit instari-pending-renames.service looks for; for everyone else
// an autostart entry of the desktop session, one per Windows directory.

#include <string>

namespace ixstdf {

// The file that stands for the trigger of this process's queue.
std::string StartTriggerPath();
// Written when something is queued; false (errno set) when it cannot be.
bool EnsureStartTrigger();
// Once the queue is empty.
void RemoveStartTrigger();

}  // namespace ixstdf
