#pragma once
// The installer's window: the running statement, the overall bar, the
// copy line (remaining time, file bar, bytes) and a small animation while
// the script runs. Cancel stops the run; the window closes itself at the end.

#include <QDialog>
#include <functional>

#include "instari/ui/installerui.h"
#include "instari/ui/texts.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace instari {

class Spinner;

class InstallerWindow : public QDialog {
  Q_OBJECT
 public:
  InstallerWindow(int language, NumberLocale locale, QWidget* parent = nullptr);

  void ShowStatus(const ProgressState& p);
  void ShowCopyProgress(const ProgressState& p);
  void ShowTitle(const ProgressState& p);
  // The animation runs while the script does.
  void SetRunning(bool running);

  // Pressed Cancel (or closed the window) while the script runs.
  std::function<void()> onCancel;

 protected:
  void closeEvent(QCloseEvent* e) override;
  void reject() override;

 private:
  void Cancel();
  void About();

  int language_;
  NumberLocale locale_;
  bool running_ = false;
  QLabel* remaining_;
  QLabel* filePercent_;
  QProgressBar* fileBar_;
  QLabel* bytes_;
  QLabel* status_;
  Spinner* animation_;
  QProgressBar* overallBar_;
  QLabel* overallPercent_;
  QPushButton* cancel_;
  QToolButton* menu_;
};

}  // namespace instari
