#pragma once
// The installer's face on a terminal (and when output goes to a file or a
// pipe): status and progress on one updating line on a terminal, plain
// lines otherwise; questions are answered on the terminal when there is one,
// else the default button is taken.

#include <chrono>
#include <cstdio>
#include <string>

#include "instari/ui/installerui.h"
#include "instari/ui/texts.h"

namespace instari {

class ConsoleUi : public InstallerUi {
 public:
  // out: where everything is shown; in: where answers are read. Whether they
  // are terminals is found out here.
  ConsoleUi(FILE* out = stderr, FILE* in = stdin);
  ~ConsoleUi() override;

  void SetLanguage(int language) { language_ = language; }
  void SetNumberLocale(const NumberLocale& l) { locale_ = l; }

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
  bool Unattended() const override { return !in_ || inputEnded_; }

 private:
  void EndLiveLine();
  std::optional<std::string> ReadAnswer();
  std::optional<std::string> AskSelection(const std::string& caption, const std::string& start);

  FILE* out_;
  FILE* in_;
  bool liveLine_;     // out is a terminal: one line redrawn in place
  bool interactive_;  // answers can be read
  bool lineOpen_ = false;
  bool inputEnded_ = false;
  std::string heldStatus_;  // not a terminal: the status line not written yet
  std::chrono::steady_clock::time_point lastDraw_{};
  int language_ = 9;
  NumberLocale locale_;
};

}  // namespace instari
