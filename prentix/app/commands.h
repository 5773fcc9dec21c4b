#pragma once
// Command numbers of the capture program. They keep the numbers the
// program always had, because the hook and older settings send them as
// numbers; the framework's standard commands keep theirs too.

namespace prentix::cmd {

// the program's own
inline constexpr int kSaveAs = 32700;
inline constexpr int kOpen = 32702;
inline constexpr int kPasteAndPrint = 32771;  // hook: Print Screen
inline constexpr int kTrayCapture = 32772;    // tray icon click
inline constexpr int kEditPicture = 32773;
inline constexpr int kNew = 32774;
inline constexpr int kMail = 32775;
inline constexpr int kCut = 32776;
inline constexpr int kMinimize = 32780;
inline constexpr int kPrintWindow = 32781;  // hook: window key
inline constexpr int kPrintScreen = 32782;  // hook: screen key
inline constexpr int kHelpTopics = 32790;
inline constexpr int kSettings = 32795;
inline constexpr int kFlipVertical = 32796;
inline constexpr int kFlipHorizontal = 32797;
inline constexpr int kRotateRight = 32798;
inline constexpr int kRotateLeft = 32799;
inline constexpr int kToolbar = 32888;
inline constexpr int kSaveInternal = 32889;  // automatic save of a capture
inline constexpr int kCursorFirst = 32891;   // the pointers to stamp, 11 of them
inline constexpr int kCursorLast = 32901;
inline constexpr int kInsertCursor = 32950;
inline constexpr int kZoomBox = 32951;
inline constexpr int kZoomBoxList = 32952;
inline constexpr int kZoomIn = 32953;
inline constexpr int kZoomOneToOne = 32954;
inline constexpr int kZoomOut = 32955;
inline constexpr int kShowGrid = 32956;

// the framework's
inline constexpr int kFileNew = 57600;
inline constexpr int kFilePrintSetup = 57606;
inline constexpr int kFilePrint = 57607;
inline constexpr int kFilePrintDirect = 57608;
inline constexpr int kFilePrintPreview = 57609;
inline constexpr int kRecentFile = 57616;
inline constexpr int kEditCopy = 57634;
inline constexpr int kEditPaste = 57637;
inline constexpr int kAppAbout = 57664;
inline constexpr int kAppExit = 57665;

// Menu item texts are keyed 100000 + command.
inline constexpr int kMenuTextBase = 100000;

}  // namespace prentix::cmd
