#pragma once
// Start and end of the capture program below the window line. The Qt
// application calls InitInstance first thing and carries out the plan it
// returns (template, document, show state, tray icon); at the end it calls
// ExitInstance after it has removed the tray icon and freed the picture.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "prentix/app/winversion.h"

namespace prentix {

// Paint programs offered as the graphic tool when none is set, in order of
// preference; the first one found on PATH wins.
inline constexpr const char* kPaintPrograms[] = {"kolourpaint", "pinta", "gimp"};

// The full path of the first paint program that is an executable file in
// one of the colon-separated directories; "" when there is none. Empty and
// relative directories are skipped, so the current directory never supplies
// a program.
std::string FindGraphicTool(std::string_view searchPath);

// The build's date and time as "Fri Oct 17 15:42:32 1997".
const std::string& BuildTimestamp();

// Sets `Sprache` to the primary language of the user's locale and logs the
// country abbreviation and the number. setRuntimeLocale also sets the C
// library's locale from the environment. Returns the number.
int InitSprache(bool setRuntimeLocale = true);

// The arguments joined with single blanks: the command line is one path,
// so a path with blanks arrives whole however the shell split it.
std::string CommandLinePath(const std::vector<std::string>& args);

// The tooltip of the tray icon: TaskbarText, else text 16010, cut to the
// 63 bytes the icon data holds (never inside a character).
std::string TrayTooltip();

// What the start decided, for the window side to carry out.
struct StartupPlan {
  bool trayIcon = false;     // `Taskbar`: run from a tray icon
  bool startHidden = false;  // show command SW_HIDE (with the tray icon)
  int templateId = 2;        // document template: 3 for GIF, else 2
  std::string templateString;
  std::optional<std::string> openPath;  // a document to open; else a new empty one
  std::string windowTitle;              // text 16001, set after a new document
};

// Where the start gets what it asks the system; tests replace them.
struct StartupSources {
  std::function<WindowsVersion()> windowsVersion = CurrentWindowsVersion;
  std::optional<std::string> searchPath;  // nullopt: $PATH
  bool setRuntimeLocale = true;
};

class PrentixApp {
 public:
  explicit PrentixApp(StartupSources sources = {});

  // Profile name, trace log, language, the settings record, the default
  // graphic tool, the tray rule, the document template and the command
  // line, in the order of a start.
  StartupPlan InitInstance(const std::vector<std::string>& args);

  // Logs the end and closes the trace log. The exit code: always 0.
  int ExitInstance();

 private:
  StartupSources sources_;
};

}  // namespace prentix
