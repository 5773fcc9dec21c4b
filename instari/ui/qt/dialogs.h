#pragma once
// The installer's dialogs: message boxes, the input dialog, the selection
// of a directory or a program group, the wizard and the background window.

#include <QDialog>
#include <QIcon>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "instari/ui/installerui.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace instari {

QIcon InstallerIcon();
void ShowAbout(QWidget* parent, int language);

// A message box of a Win32 style; the pressed button's id (Escape or the
// close button: Cancel where there is one, else the only button).
int ShowMessageBox(QWidget* parent, const std::string& text, const std::string& caption,
                   unsigned style, int language);

class InputDialog : public QDialog {
  Q_OBJECT
 public:
  InputDialog(const std::string& prompt, const std::string& initial, int language,
              QWidget* parent = nullptr);
  std::string Answer() const;

 private:
  QLineEdit* edit_;
};

// A directory (the mapped drives, the current directory's sub-directories)
// or a program group out of a list.
class SelectionDialog : public QDialog {
  Q_OBJECT
 public:
  // groups null: directory mode.
  SelectionDialog(const std::string& caption, const std::string& start,
                  const std::vector<std::string>* groups, int language, QWidget* parent = nullptr);
  // Set when the dialog ended with OK and a selection that counts.
  const std::optional<std::string>& Result() const { return result_; }
  const std::string& Directory() const { return directory_; }
  // Changes into a DOS directory and lists it.
  void ChangeTo(const std::string& dosDirectory);

  void accept() override;

 private:
  void Selected(QListWidgetItem* item);
  void Activated(QListWidgetItem* item);
  void List();

  bool groupMode_;
  std::string directory_;
  QLineEdit* edit_;
  QListWidget* list_;
  QComboBox* drives_ = nullptr;
  QLabel* current_ = nullptr;
  std::optional<std::string> result_;
};

// The wizard: one sheet shown again for every page the script asks for.
class WizardSheet : public QDialog {
  Q_OBJECT
 public:
  WizardSheet(int language, QWidget* parent = nullptr);
  // Shows the page modally; the button and the controls' state.
  WizardResult Run(const WizardPage& page);
  // The page as Run shows it, without waiting (tests and screenshots).
  void Load(const WizardPage& page);
  WizardResult Collect(int button) const;

 private:
  void Browse();

  int language_;
  int browseMode_ = 0;
  int button_ = wizard::kCancelled;
  QLabel* picture_;
  QLabel* text_;
  QLineEdit* edit_;
  QPushButton* browse_;
  QCheckBox* checks_[4];
  QRadioButton* radios_[4];
  QButtonGroup* radioGroup_;
  QPushButton* back_;
  QPushButton* next_;
  QPushButton* finish_;
  QPushButton* cancel_;
};

// The full-screen window behind the installation, with the title.
class BackgroundWindow : public QWidget {
  Q_OBJECT
 public:
  explicit BackgroundWindow(const std::string& title);

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  QString title_;
};

}  // namespace instari
