#pragma once
// Routing of commands, the way the window framework routes them: the frame
// first, then the view, then the document, then the application. The first
// target that handles a command decides whether it is enabled; a disabled
// command is dropped, whichever way it came (menu, tool bar, hook, tray or
// another command), and so is one that nobody handles.

#include <functional>
#include <vector>

namespace prentix {

class CommandTarget {
 public:
  virtual ~CommandTarget() = default;
  virtual bool Handles(int id) const = 0;
  virtual bool IsEnabled(int /*id*/) const { return true; }
  // Menu check mark / pressed tool-bar button.
  virtual bool IsChecked(int /*id*/) const { return false; }
  virtual void OnCommand(int id) = 0;
};

enum class CommandSource { kMenu, kToolBar, kHook, kTray, kProgram };
enum class RouteResult { kHandled, kDisabled, kUnhandled };

class CommandRouter {
 public:
  // Targets in routing order; null entries are skipped. Not owned.
  void SetChain(std::vector<CommandTarget*> chain) { chain_ = std::move(chain); }

  CommandTarget* TargetFor(int id) const;
  // False also when nobody handles the command: such an item is greyed.
  bool IsEnabled(int id) const;
  bool IsChecked(int id) const;
  RouteResult Route(int id, CommandSource source);

  // Told of every command after it was routed (or dropped).
  std::function<void(int id, CommandSource source, RouteResult result)> observer;

 private:
  std::vector<CommandTarget*> chain_;
};

}  // namespace prentix
