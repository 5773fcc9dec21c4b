#include "prentix/app/viewstate.h"

#include "prentix/app/commands.h"

namespace prentix {

using namespace cmd;

bool IsViewCommand(int id) {
  switch (id) {
    case kPasteAndPrint:
    case kTrayCapture:
    case kPrintWindow:
    case kPrintScreen:
    case kEditPaste:
    case kEditCopy:
    case kNew:
    case kEditPicture:
    case kMail:
    case kFlipVertical:
    case kFlipHorizontal:
    case kRotateRight:
    case kRotateLeft:
    case kCut:
    case kInsertCursor:
    case kZoomIn:
    case kZoomOneToOne:
    case kZoomOut:
    case kZoomBoxList:
    case kShowGrid:
    case kFilePrint:
    case kFilePrintDirect:
    case kFilePrintPreview:
      return true;
    default:
      return id >= kCursorFirst && id <= kCursorLast;
  }
}

bool ViewCommandEnabled(int id, const ViewState& s) {
  switch (id) {
    case kEditPaste:
      return s.clipboardBitmap || s.clipboardText;
    case kPasteAndPrint:
      return s.clipboardBitmap;
    case kNew:
    case kFilePrint:
    case kFilePrintDirect:
    case kFilePrintPreview:
      return s.hasImage || s.hasText;
    case kEditPicture:
      return s.hasImage && s.toolSet;
    case kEditCopy:
    case kMail:
    case kFlipVertical:
    case kFlipHorizontal:
    case kRotateRight:
    case kRotateLeft:
    case kCut:
    case kInsertCursor:
    case kZoomIn:
    case kZoomOneToOne:
    case kZoomOut:
      return s.hasImage;
    default:
      if (id >= kCursorFirst && id <= kCursorLast) return s.hasImage;
      return true;  // captures, the zoom box, the grid
  }
}

bool ViewCommandChecked(int id, const ViewState& s) {
  if (id == kShowGrid) return s.gridOn;
  if (id >= kCursorFirst && id <= kCursorLast) {
    return id == (s.lastPointer < 0 ? kCursorFirst : s.lastPointer);
  }
  return false;
}

bool IsFrameCommand(int id) {
  return id == kMinimize || id == kHelpTopics || id == kSettings || id == kToolbar ||
         id == kAppExit;
}

bool IsDocumentCommand(int id) {
  return id == kSaveAs || id == kOpen || id == kSaveInternal || id == kRecentFile;
}

bool IsAppCommand(int id) { return id == kAppAbout || id == kFileNew || id == kFilePrintSetup; }

}  // namespace prentix
