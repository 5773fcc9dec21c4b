#pragma once
// Special folders, shell links and their freedesktop twins, for the
// operations that put items into the menus.

#include <optional>
#include <string>

namespace ixstdf {

// Value name under "...\Explorer\Shell Folders" of a folder code ("Desktop",
// "Common Programs", ...); null for an unknown code.
const char* ShellFolderValueName(int code);

// Writes the "Shell Folders" values that are missing (Desktop is the XDG
// desktop directory; Start Menu, Programs and Startup live under
// <windir>/Start Menu, the common ones under <windir>/All Users) and
// creates their directories. Values already there are kept.
void SeedShellFolders();

// The host path of a folder code as the registry holds it now (seeded);
// nullopt when there is none. Touches no error state.
std::optional<std::string> ShellFolderHostPath(int code);

// $XDG_DATA_HOME (~/.local/share), $XDG_CONFIG_HOME (~/.config) and the XDG
// desktop directory (user-dirs.dirs, else ~/Desktop).
std::string XdgDataHome();
std::string XdgConfigHome();
std::string XdgDesktopDirectory();

// The .desktop file that mirrors a link file in one of the menu folders, or
// empty when the link lies elsewhere.
std::string LinkTwinPath(const std::string& linkHostPath);

// Writes the twin of a link just saved; false when there is none to write or
// a file of that name that is not ours is in the way.
// The description the library gives the links it makes itself.
inline constexpr const char kLibraryLinkDescription[] = "IxStdF";

bool WriteLinkTwin(const std::string& linkHostPath, const std::string& target,
                   const std::string& arguments, const std::string& workingDirectory,
                   const std::string& iconFile, const std::string& description);

// Removes a twin that we wrote for this link; other files are left alone.
bool RemoveLinkTwin(const std::string& linkHostPath);

// Removes a link file (DOS or host path) and its twin; false when the link
// could not be removed (errno tells why).
bool RemoveLinkFile(const std::string& linkFile);

}  // namespace ixstdf
