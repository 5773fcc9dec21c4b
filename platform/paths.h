#pragma once
// Where the Windows-style directories live on this machine, and the
// translation of DOS paths ("C:\Temp\A.TXT") into host paths.

#include <string>
#include <string_view>

namespace platform {

// $HOME, else the home the user database knows.
std::string HomeDirectory();
// $XDG_CONFIG_HOME when it is an absolute path, else HomeDirectory()/.config.
std::string ConfigHome();

// $WINDIR when set, else $XDG_CONFIG_HOME/tervola (~/.config/tervola);
// created on first use. No trailing separator.
std::string WindowsDirectory();

// Why the Windows directory or its registry.reg must not be used: they
// belong to another user, or others may write them (another user could
// have prepared settings or a registry for us), as a message for the user;
// "" when they are fine.
std::string UnsafeWindowsDirectory();

// <windir>/system, created on first use. No trailing separator.
std::string SystemDirectory();

// $TMPDIR or /tmp, with a trailing '/' as callers append file names to it.
std::string TempDirectory();

// The user's private folder for files that live as long as the login:
// $XDG_RUNTIME_DIR when it is a folder of ours that only we can enter, else
// TempDirectory()/prentix-<uid>, made so. "" when neither can be had. No
// trailing separator.
std::string RuntimeDirectory();

// Whether WAYLAND_DISPLAY names a socket that is there (a relative name is
// in $XDG_RUNTIME_DIR).
bool WaylandSocketPresent();

// Whether a new file can be made in the folder; when not, *reason says why
// (strerror of the attempt).
bool FolderWritable(const std::string& folder, std::string* reason = nullptr);

// Host path for a DOS or host path: '\' and '/' both separate; a leading
// drive "X:" maps through [Drives] of win.ini in the Windows directory
// (default C=/); a component that does not exist as written is looked up
// without regard to case. An unmapped drive gives the empty string.
std::string HostPath(std::string_view path);

// HostPath made absolute against the current folder: what a path means now,
// for work done later from another folder. "" for an unmapped drive.
std::string AbsoluteHostPath(std::string_view path);

// The same without the case-insensitive lookup: separators turned and the
// drive mapped, every name as written.
std::string HostPathAsWritten(std::string_view path);

// The case-insensitive lookup alone, on a host path.
std::string ResolveCaseInsensitive(const std::string& hostPath);

// Compares two names the way the Windows file system does: ASCII letters
// without regard to case, everything else byte for byte.
bool SameNameIgnoringCase(std::string_view a, std::string_view b);

// Creates the directory and its parents; true when it exists afterwards.
bool MakeDirectories(const std::string& hostPath);

}  // namespace platform
