#pragma once
// What the main window decides, apart from the widgets: the tray icon's
// clicks, minimizing and closing, the graphic tool's and the mail
// command's arguments, the help file, and the document type's entries in
// the registry.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace prentix {

// Flags the window and the capture handlers share for the length of one
// command.
struct RunFlags {
  bool trayBusy = false;  // a tray click's capture runs
  bool noExit = false;    // the full-screen capture must not end the program
  // a modifier held during Print Screen asks for an automatic name
  bool captureSaveRequest = false;
};
RunFlags& Flags();

enum class TrayMouse { kLeftDown, kRightDown, kOther };
enum class TrayAction { kNone, kCapture, kShowWindow };
// The swap of the buttons comes first; a left press while a tray capture
// runs does nothing.
TrayAction TrayCallbackAction(TrayMouse mouse, bool mausSwitch, bool trayBusy);

// Minimizing during a tray or hot-key capture hides the tray program's
// window instead, so the capture does not leave a button behind.
bool HideWhenMinimized(bool taskbar, bool noExit);

// The question before closing a tray program's window: text 57665 + " ?".
std::string CloseQuestion();

// prentix.html beside the program, else in ../share/doc/prentix as the
// packages install it; "" when neither can be read.
std::string HelpFilePath(std::string_view programPath);

// The graphic tool's argument vector: `tool` split into words as a shell
// splits them (blanks separate, quotes group, a backslash escapes; nothing
// is expanded), then the picture path as one more word. Null when the tool
// has no words or an unclosed quote.
std::optional<std::vector<std::string>> ToolArguments(std::string_view tool,
                                                      const std::string& picturePath);

// "~pxi.pxi" in a folder only the user can enter (the runtime folder, else
// a private one made in the temporary directory): the file an unsaved
// picture is written to for the graphic tool and for mail. "" when there
// is no such folder.
std::string TempPicturePath();

// The subject of a mailed picture: text 16001 + " ...".
std::string MailSubject();

// Registers the document type of a template string ("Prentix\nPrntx\n...")
// the way the framework does at every start: the file type with its name,
// the open command (program path + " \"%1\""), and the extension, which is
// taken over only when it belongs to nobody else. False when the registry
// cannot be written.
bool RegisterShellFileTypes(std::string_view templateString, std::string_view programPath);

// The one-shot commands for desktops that keep the print keys to
// themselves: "--print-screen", "--print-window", "--paste-print" and the
// command each stands for; 0 for any other argument.
int OneShotCommand(std::string_view argument);

// What a command line asks for. The file is every other argument joined
// by blanks (the whole line is one path); after "--" nothing is an option.
// Qt's own options (-platform NAME, -display NAME, -session ID, ...) pass.
struct CommandLine {
  enum Kind { kRun, kHelp, kVersion, kOneShot, kBad } kind = kRun;
  int command = 0;      // kOneShot
  std::string file;     // kRun: "" for none
  std::string unknown;  // kBad: the argument not understood, "" for a misuse
};
CommandLine ParseCommandLine(const std::vector<std::string>& args);

}  // namespace prentix
