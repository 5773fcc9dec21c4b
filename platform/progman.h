#pragma once
// The Program Manager of the older shell, as far as installers talk to it
// through DDE: it executes command texts such as
//   [CreateGroup(Tools)][ShowGroup(Tools,1)][AddItem(c:\t\x.exe,X)]
// and answers two requests: item "PROGMAN" gives the group names, each
// followed by CR LF; an item naming a group gives that group's line
//   "Name",<group file>,<item count>,<show command>
// followed by one line per item
//   "Name","Command line",<working dir>,<icon file>,<x>,<y>,<icon index>,<hot key>,<minimize>
// each ended by CR LF.
//
// Groups are INI files in the Windows directory: progman.ini lists them in
// [Groups] (Group1=GRP1.INI, ...) and remembers the active group, the one
// that item commands go into; each group file holds [Group] (Name,
// ShowCommand, Common) and one section [ItemN] per item.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct DdeCommand {
  std::string name;               // as written
  std::vector<std::string> args;  // quotes removed
};

// The commands of an execute text; nullopt when it is not a sequence of
// [name(arg,...)] with balanced quotes.
std::optional<std::vector<DdeCommand>> ParseDdeCommands(std::string_view text);

class ProgramManager {
 public:
  // Groups under directory; empty: the Windows directory.
  explicit ProgramManager(std::string directory = {});

  // Runs the commands in order; false at the first one that is malformed,
  // unknown or fails (a group or item missing), the rest not run.
  bool Execute(std::string_view text);

  // The answer to a request, or nullopt for an unknown item.
  std::optional<std::string> Request(std::string_view item);

  // What a group holds, for callers that look inside.
  struct Item {
    std::string name, command, workingDirectory, iconPath;
    int iconIndex = 0, x = -1, y = -1, hotKey = 0, minimize = 0;
  };
  struct Group {
    std::string name, file;
    int showCommand = 1;
    bool common = false;
    std::vector<Item> items;
  };
  std::optional<Group> FindGroup(std::string_view name);
  std::vector<std::string> GroupNames();

 private:
  bool Run(const DdeCommand& c);
  std::string IniPath() const;
  std::optional<std::string> GroupFile(std::string_view name);  // host path
  bool SaveGroup(const Group& g);

  std::string dir_;
};

// A string resource of the shell module named in system.ini: the Program
// Manager's module (progman.exe) gives 6, its INI file, and 120, its default
// name of the start-up group. nullopt for other modules and numbers.
std::optional<std::string> ShellModuleString(std::string_view module, int id);

}  // namespace platform
