#pragma once
// ShellExecute for this desktop: a program is started with posix_spawn and
// an argument vector (never through a shell, so no text is interpreted);
// documents, folders and URLs go to xdg-open. The result follows
// ShellExecute: above 32 is success, smaller values are its error codes.

#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline constexpr int SE_ERR_OOM = 0;
inline constexpr int SE_ERR_FNF = 2;
inline constexpr int SE_ERR_PNF = 3;
inline constexpr int SE_ERR_ACCESSDENIED = 5;
inline constexpr int SE_ERR_NOMEM = 8;
inline constexpr int SE_ERR_BADFORMAT = 11;
inline constexpr int SE_ERR_NOASSOC = 31;
inline constexpr int kShellSuccess = 42;

// The words of a Windows command line: blanks separate, double quotes
// group, \" is a quote.
std::vector<std::string> SplitCommandLine(std::string_view line);

// verb "open" (or empty) runs an executable file with the parameters, or
// hands anything else to xdg-open; "explore" opens a folder. file and
// directory are DOS or host paths; an empty directory keeps the current
// one. The started program is not waited for; it is reaped on a later call.
int ShellExecute(std::string_view verb, std::string_view file, std::string_view parameters,
                 std::string_view directory, int showCommand);

}  // namespace platform
