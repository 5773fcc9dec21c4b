#pragma once
// The installer's face in a window. The script runs on a thread of its
// own; every call it makes here is carried to the window's thread, the
// refreshes without waiting (several in a row shown once), the questions
// waiting for their answer.

#include <QObject>
#include <QPointer>
#include <atomic>
#include <memory>
#include <mutex>

#include "instari/ui/installerui.h"
#include "instari/ui/texts.h"

namespace instari {

class BackgroundWindow;
class InstallerWindow;
class WizardSheet;

class QtUi : public InstallerUi {
 public:
  QtUi(int language, NumberLocale locale);
  ~QtUi() override;

  InstallerWindow* Window() const { return window_; }
  int Language() const { return language_; }

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
  void WizardCreate() override;
  WizardResult WizardShow(const WizardPage& page) override;
  void WizardClose() override;
  void CreateBackground(const std::string& title) override;
  void CloseBackground() override;
  void Minimize(bool minimized) override;

 private:
  enum Part { kStatus = 1, kCopy = 2, kTitle = 4 };
  // The selection dialog: a directory, or one of the groups.
  std::optional<std::string> Select(const std::string& caption, const std::string& start,
                                    const std::vector<std::string>* groups);
  void Post(int parts);
  void Flush();
  // Runs f on the window's thread and waits for it.
  template <typename F>
  auto OnGui(F f) -> decltype(f());

  int language_;
  NumberLocale locale_;
  InstallerWindow* window_;
  std::unique_ptr<WizardSheet> wizard_;
  std::unique_ptr<BackgroundWindow> background_;
  std::mutex mutex_;
  ProgressState shown_;  // the state to show next
  int dirty_ = 0;
  std::atomic<bool> posted_{false};
};

}  // namespace instari
