#pragma once
// ShellExecute for this desktop: a program is started with posix_spawn and
// an argument vector (never through a shell, so no text is interpreted);
// documents, folders and URLs go to xdg-open. The result follows
// ShellExecute: above 32 is success, smaller values are its error codes.

#include <optional>
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

// The words of a command line as a POSIX shell splits it, with nothing
// expanded: blanks and tabs separate, '...' is taken as it stands, "..."
// groups with \ escaping only $ ` " \ and a line end, a backslash elsewhere
// escapes the next character. Null for an unclosed quote.
std::optional<std::vector<std::string>> SplitShellWords(std::string_view line);

// Starts argv[0] (looked up on PATH when it holds no slash) with that
// argument vector, not waiting for it; it is reaped on a later call.
// kShellSuccess, or the ShellExecute error code of the failure.
int SpawnProgram(const std::vector<std::string>& argv);

// verb "open" (or empty) runs an executable file with the parameters, or
// hands anything else to xdg-open; "explore" opens a folder. file and
// directory are DOS or host paths; an empty directory keeps the current
// one. The started program is not waited for; it is reaped on a later call.
int ShellExecute(std::string_view verb, std::string_view file, std::string_view parameters,
                 std::string_view directory, int showCommand);

}  // namespace platform
