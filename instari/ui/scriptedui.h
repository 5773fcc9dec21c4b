#pragma once
// An InstallerUi for tests: answers come from queues filled beforehand,
// and everything shown is recorded in order.

#include <deque>

#include "instari/ui/installerui.h"

namespace instari {

class ScriptedUi : public InstallerUi {
 public:
  struct Shown {
    enum Kind {
      kStatus,
      kCopy,
      kTitle,
      kMessage,
      kInput,
      kSelect,
      kWizard,
      kMinimize,  // text "1" minimized, "0" restored
      kBackground,
      kWizardCreate,
      kWizardClose,
    } kind;
    std::string text;     // status, title, message text, prompt
    std::string caption;  // message caption, selection caption
    unsigned style = 0;   // message style; for a file selection 1 = must exist
    int overall = 0;      // progress with a status
  };

  // Answers in the order the questions come; an empty queue gives the
  // default button (OK for OK/Cancel) or the initial text.
  std::deque<int> buttons;
  std::deque<std::optional<std::string>> texts;
  std::deque<WizardResult> wizardAnswers;

  std::vector<Shown> shown;
  // Every wizard page as it was asked for.
  std::vector<WizardPage> pages;

  // Only the message boxes, the common thing to check.
  std::vector<Shown> Messages() const;
  std::vector<std::string> Statuses() const;

  void RefreshStatus() override;
  void RefreshCopyProgress() override;
  void RefreshTitle() override;
  int MessageBox(const std::string& text, const std::string& caption, unsigned style) override;
  std::optional<std::string> InputDialog(const std::string& prompt,
                                         const std::string& initial) override;
  std::optional<std::string> SelectDirectory(const std::string& caption,
                                             const std::string& start) override;
  std::optional<std::string> SelectProgramGroup(const std::string& caption,
                                                const std::string& start,
                                                const std::vector<std::string>& groups) override;
  std::optional<std::string> SelectFile(const std::string& filter, bool mustExist) override;
  WizardResult WizardShow(const WizardPage& page) override;
  void WizardCreate() override;
  void WizardClose() override;
  void CreateBackground(const std::string& title) override;
  void Minimize(bool minimized) override;

 private:
  std::optional<std::string> NextText(const std::string& fallback);
};

}  // namespace instari
