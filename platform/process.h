#pragma once
// The process list, as the tool-help snapshot gives it: the executable of
// every process that can be seen under /proc.

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The executable paths of the running processes that can be read (another
// user's processes usually cannot); zombies have none.
std::vector<std::string> ProcessExecutables();

// True when a process runs the program at path. Both sides are compared
// upper-cased, as the Windows probe does.
bool IsProgramRunning(std::string_view path);

}  // namespace platform
