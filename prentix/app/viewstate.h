#pragma once
// The state rules of the view's commands, from what the view and the
// clipboard hold at the moment a command is asked about.

namespace prentix {

struct ViewState {
  bool hasImage = false;
  bool hasText = false;
  bool clipboardBitmap = false;  // a picture is offered
  bool clipboardText = false;
  bool toolSet = false;  // the graphic tool is configured
  bool gridOn = false;
  int lastPointer = -1;  // the pointer last chosen for stamping, -1 none yet
};

// Whether the view takes the command at all.
bool IsViewCommand(int id);
// The enable rule; true for the commands that have none.
bool ViewCommandEnabled(int id, const ViewState& s);
// Check marks: the grid while on, the pointer chosen last (the first one
// before any choice).
bool ViewCommandChecked(int id, const ViewState& s);

// The frame's own commands (no state rule).
bool IsFrameCommand(int id);

}  // namespace prentix
