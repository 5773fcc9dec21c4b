#pragma once
// The settings dialog: nine pages over the working copy of the settings,
// OK / Cancel / Apply as a property sheet has them. A page is set up when
// it is first shown, and only pages set up are applied.

#include <QDialog>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

class QAbstractButton;
class QDialogButtonBox;
class QPushButton;
class QTabWidget;

namespace prentix {

class CPSheet;

// What the pages need of the main window.
struct SheetHost {
  std::function<void(int id)> issue;      // a command to the main window
  std::function<bool()> pictureLoaded;    // a picture is on show
  std::function<void()> languageChanged;  // the open windows take the new texts
  std::function<void(QWidget* parent, const QString& text)> message;
  // the graphic tool's chooser: the path picked, empty when cancelled
  std::function<QString(QWidget* parent, const QString& caption, const QString& filters)>
      chooseFile;
};

class CPropertyPage : public QWidget {
  Q_OBJECT
 public:
  CPropertyPage(CPSheet* sheet, int titleKey);

  int TitleKey() const { return titleKey_; }
  bool Initialised() const { return initialised_; }
  // Creates the controls' state from the settings, once.
  void EnsureInitialised();
  // The controls' texts from the language table, again after a switch.
  virtual void SetTexts();
  // Leaving the page or applying: false keeps the page open.
  virtual bool OnKillActive() { return true; }
  virtual void OnApply() {}
  void SetModified(bool modified = true);
  bool Modified() const { return modified_; }

 protected:
  virtual void OnInitDialog() = 0;
  // Controls are named "c<id>" and take their text from the key.
  template <typename W>
  W* Control(int id, int key = -1) {
    auto* w = new W(this);
    Register(w, id, key < 0 ? id : key);
    return w;
  }
  void Register(QWidget* w, int id, int key);
  const SheetHost& Host() const;
  CPSheet* sheet_;

 private:
  int titleKey_;
  bool initialised_ = false;
  bool modified_ = false;
  std::vector<std::pair<QWidget*, int>> texts_;
};

class CPSheet : public QDialog {
  Q_OBJECT
 public:
  CPSheet(SheetHost host, QWidget* parent = nullptr);
  ~CPSheet() override;

  const SheetHost& Host() const { return host_; }
  QTabWidget* Tabs() const { return tabs_; }
  CPropertyPage* Page(int number) const;  // PPage<number>
  // Applies every page set up so far; false when one refused.
  bool Apply();
  void PageModified();
  // Caption, tab titles and every page's texts in the current language.
  void SetTexts();

  void accept() override;

 private:
  bool SwitchTo(int index);

  SheetHost host_;
  QTabWidget* tabs_;
  QDialogButtonBox* buttons_;
  QPushButton* ok_;
  QPushButton* cancel_;
  QPushButton* apply_;
  std::vector<std::pair<int, CPropertyPage*>> pages_;
  int current_ = 0;
};

}  // namespace prentix
