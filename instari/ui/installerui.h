#pragma once
// Everything the installer interpreter shows or asks goes through one
// interface, so the same interpreter runs under the console, the window
// and the tests.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace instari {

// Message-box styles and answers keep the Win32 numbers: scripts pass styles
// as numbers and read the pressed button's code back.
namespace mb {
constexpr unsigned kOk = 0x0;
constexpr unsigned kOkCancel = 0x1;
constexpr unsigned kAbortRetryIgnore = 0x2;
constexpr unsigned kYesNoCancel = 0x3;
constexpr unsigned kYesNo = 0x4;
constexpr unsigned kRetryCancel = 0x5;
constexpr unsigned kButtonMask = 0xF;
constexpr unsigned kIconHand = 0x10;
constexpr unsigned kIconQuestion = 0x20;
constexpr unsigned kIconExclamation = 0x30;
constexpr unsigned kIconAsterisk = 0x40;
constexpr unsigned kIconMask = 0xF0;
constexpr unsigned kDefButton2 = 0x100;
constexpr unsigned kDefButton3 = 0x200;
constexpr unsigned kDefMask = 0xF00;
}  // namespace mb

namespace id {
constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kAbort = 3;
constexpr int kRetry = 4;
constexpr int kIgnore = 5;
constexpr int kYes = 6;
constexpr int kNo = 7;
}  // namespace id

// The buttons of a style in their order on screen.
std::vector<int> ButtonsOfStyle(unsigned style);
// The button that Enter presses: the first unless kDefButton2/3 says otherwise.
int DefaultButton(unsigned style);
// "OK", "Cancel", ... as the buttons are labelled in the installer's language
// (7 German, 9 English, 10 Spanish, 12 French, 16 Italian; English otherwise).
const char* ButtonLabel(int button, int language);

// What the interpreter writes and the window shows.
struct ProgressState {
  std::string status;        // statement or command text
  int overall = 0;           // 0..100
  int file = 0;              // 0..100, the running copy
  int remainingSeconds = 0;  // -1 unknown, 0 no copy running
  uint64_t bytesCopied = 0;
  uint64_t bytesTotal = 0;
  std::string title;  // window title
};

// Wizard buttons and results, as the script sees them.
namespace wizard {
constexpr int kBack = 1;
constexpr int kNext = 2;
constexpr int kFinish = 4;
constexpr int kCancelled = 32001;
}  // namespace wizard

struct WizardPage {
  bool input = false;  // false: text page; true: input page
  int buttons = 0;     // wizard::kBack | kNext | kFinish
  std::string text;
  std::string title;   // sheet title, empty for the default
  std::string bitmap;  // picture name, empty for the default
  int browseMode = 0;  // 0 none, 1 directory, other program group
  bool showEdit = true;
  std::string editText;
  struct Choice {
    bool visible = false;
    bool checked = false;
    std::string label;
  };
  Choice checks[4];
  Choice radios[4];
};

struct WizardResult {
  int button = wizard::kCancelled;
  std::string editText;
  bool checked[4] = {};
  int radio = 0;  // 1..4, 0 none
};

class InstallerUi {
 public:
  virtual ~InstallerUi() = default;

  // The shared progress state; the interpreter changes it and then asks for
  // the matching refresh.
  ProgressState& Progress() { return progress_; }
  const ProgressState& Progress() const { return progress_; }

  virtual void RefreshStatus() = 0;        // status text and overall progress
  virtual void RefreshCopyProgress() = 0;  // remaining time, file progress, bytes
  virtual void RefreshTitle() = 0;
  // Lets a window stay responsive during long work.
  virtual void DispatchPending() {}

  // True once questions are answered by no one (no terminal, or the piped
  // answers are used up): the default buttons are taken from then on.
  virtual bool Unattended() const { return false; }

  // Caption of message boxes.
  virtual std::string ApplicationTitle() const { return "Instari"; }

  // Shows text with the buttons and icon of style; returns the button id.
  virtual int MessageBox(const std::string& text, const std::string& caption, unsigned style) = 0;
  // The input dialog; nullopt when cancelled.
  virtual std::optional<std::string> InputDialog(const std::string& prompt,
                                                 const std::string& initial) = 0;
  // Selection dialogs; nullopt when cancelled or confirmed empty.
  virtual std::optional<std::string> SelectDirectory(const std::string& caption,
                                                     const std::string& start) = 0;
  virtual std::optional<std::string> SelectProgramGroup(const std::string& caption,
                                                        const std::string& start,
                                                        const std::vector<std::string>& groups) = 0;
  virtual std::optional<std::string> SelectFile(const std::string& filter, bool mustExist) = 0;

  virtual void WizardCreate() {}
  virtual WizardResult WizardShow(const WizardPage& page) = 0;
  virtual void WizardClose() {}

  virtual void CreateBackground(const std::string& /*title*/) {}
  virtual void CloseBackground() {}
  // The installer window steps aside while a dialog is up.
  virtual void Minimize(bool /*minimized*/) {}

  // The user's Cancel, from any thread: the run stops before the next
  // statement and between the blocks of a copy, whose file is then never
  // written under its name.
  void RequestCancel() { cancel_.store(true, std::memory_order_relaxed); }
  bool CancelRequested() const { return cancel_.load(std::memory_order_relaxed); }

 protected:
  ProgressState progress_;
  std::atomic<bool> cancel_{false};
};

}  // namespace instari
