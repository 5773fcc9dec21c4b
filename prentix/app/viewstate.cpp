#include "prentix/app/viewstate.h"

#include <algorithm>
#include <iterator>

#include "prentix/app/commands.h"

namespace prentix {

using namespace cmd;

namespace {

enum class Rule { kAlways, kImage, kImageOrText, kImageAndTool, kClipboardPicture, kClipboardAny };

struct ViewCommand {
  int id;
  Rule rule;
};

constexpr ViewCommand kViewCommands[] = {
    {kPasteAndPrint, Rule::kClipboardPicture},
    {kTrayCapture, Rule::kAlways},
    {kPrintWindow, Rule::kAlways},
    {kPrintScreen, Rule::kAlways},
    {kEditPaste, Rule::kClipboardAny},
    {kEditCopy, Rule::kImage},
    {kNew, Rule::kImageOrText},
    {kEditPicture, Rule::kImageAndTool},
    {kMail, Rule::kImage},
    {kFlipVertical, Rule::kImage},
    {kFlipHorizontal, Rule::kImage},
    {kRotateRight, Rule::kImage},
    {kRotateLeft, Rule::kImage},
    {kCut, Rule::kImage},
    {kInsertCursor, Rule::kImage},
    {kZoomIn, Rule::kImage},
    {kZoomOneToOne, Rule::kImage},
    {kZoomOut, Rule::kImage},
    {kZoomBoxList, Rule::kAlways},
    {kShowGrid, Rule::kAlways},
    {kFilePrint, Rule::kImageOrText},
    {kFilePrintDirect, Rule::kImageOrText},
    {kFilePrintPreview, Rule::kImageOrText},
};

const ViewCommand* Find(int id) {
  auto it = std::find_if(std::begin(kViewCommands), std::end(kViewCommands),
                         [id](const ViewCommand& c) { return c.id == id; });
  return it == std::end(kViewCommands) ? nullptr : it;
}

bool IsPointer(int id) { return id >= kCursorFirst && id <= kCursorLast; }

}  // namespace

bool IsViewCommand(int id) { return IsPointer(id) || Find(id) != nullptr; }

bool ViewCommandEnabled(int id, const ViewState& s) {
  const ViewCommand* c = Find(id);
  switch (IsPointer(id) ? Rule::kImage : c ? c->rule : Rule::kAlways) {
    case Rule::kAlways:
      return true;
    case Rule::kImage:
      return s.hasImage;
    case Rule::kImageOrText:
      return s.hasImage || s.hasText;
    case Rule::kImageAndTool:
      return s.hasImage && s.toolSet;
    case Rule::kClipboardPicture:
      return s.clipboardBitmap;
    case Rule::kClipboardAny:
      return s.clipboardBitmap || s.clipboardText;
  }
  return true;
}

bool ViewCommandChecked(int id, const ViewState& s) {
  if (id == kShowGrid) return s.gridOn;
  if (IsPointer(id)) return id == (s.lastPointer < 0 ? kCursorFirst : s.lastPointer);
  return false;
}

bool IsFrameCommand(int id) {
  return id == kMinimize || id == kHelpTopics || id == kSettings || id == kToolbar ||
         id == kAppExit;
}

}  // namespace prentix
