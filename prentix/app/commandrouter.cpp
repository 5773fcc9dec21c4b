#include "prentix/app/commandrouter.h"

namespace prentix {

CommandTarget* CommandRouter::TargetFor(int id) const {
  for (CommandTarget* t : chain_) {
    if (t && t->Handles(id)) return t;
  }
  return nullptr;
}

bool CommandRouter::IsEnabled(int id) const {
  CommandTarget* t = TargetFor(id);
  return t && t->IsEnabled(id);
}

bool CommandRouter::IsChecked(int id) const {
  CommandTarget* t = TargetFor(id);
  return t && t->IsChecked(id);
}

RouteResult CommandRouter::Route(int id, CommandSource source) {
  CommandTarget* t = TargetFor(id);
  RouteResult result = RouteResult::kUnhandled;
  if (t) {
    // the state is asked at the moment of handling, not when the command
    // was sent: a hook's paste finds the clipboard as it is now
    if (t->IsEnabled(id)) {
      t->OnCommand(id);
      result = RouteResult::kHandled;
    } else {
      result = RouteResult::kDisabled;
    }
  }
  if (observer) observer(id, source, result);
  return result;
}

}  // namespace prentix
