#pragma once
// The nine pages of the settings dialog. Each control is named "c<id>" by
// its control number, so the dialog's texts and tests find it by number.

#include <array>

#include "prentix/app/sheetrules.h"
#include "prentix/settings/psheet.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QScrollBar;

namespace prentix {

// Print header and 1:1; draws the page picture.
class PPage1 : public CPropertyPage {
  Q_OBJECT
 public:
  explicit PPage1(CPSheet* sheet);
  void OnApply() override;

 protected:
  PPage1(CPSheet* sheet, int titleKey) : CPropertyPage(sheet, titleKey) {}
  void OnInitDialog() override;
  void paintEvent(QPaintEvent* e) override;
  // A check box that stores its state into the record at once.
  QCheckBox* FlagBox(int id, int Settings::*field);

  std::vector<std::pair<QCheckBox*, int Settings::*>> flags_;
};

// Margins and alignment; the same page picture.
class PPage2 : public PPage1 {
  Q_OBJECT
 public:
  explicit PPage2(CPSheet* sheet);

 protected:
  void OnInitDialog() override;

 private:
  void MarginUpdate(Margin m);
  void Step(Margin m, int delta);
  std::array<QLineEdit*, 3> edits_{};
};

// Monochrome thresholds with a live picture.
class PPage3 : public CPropertyPage {
  Q_OBJECT
 public:
  explicit PPage3(CPSheet* sheet);
  bool OnKillActive() override;
  void OnApply() override;

 protected:
  void OnInitDialog() override;

 private:
  void BarAction(int bar, int action);
  void RedEdited();
  void ShowNumbers();
  void SetBars();
  void Preview(bool withGrey);
  // The four numbers; the first edit that holds none in 0..255, or -1.
  int ReadEdits(std::array<int, 4>& values) const;

  std::array<QScrollBar*, 4> bars_{};
  std::array<QLineEdit*, 4> edits_{};
  std::array<int, 4> values_{};  // red, green, blue, mixed
  QCheckBox* invert_ = nullptr;
  QCheckBox* grey_ = nullptr;
};

// Saving: Save As instead of printing, GIF, automatic names and their keys.
class PPage4 : public CPropertyPage {
  Q_OBJECT
 public:
  explicit PPage4(CPSheet* sheet);
  void OnApply() override;

 protected:
  void OnInitDialog() override;

 private:
  void RowClicked(bool saveAsRow);
  void EnableName();
  QCheckBox* saveAs_;
  QCheckBox* gif_;
  QCheckBox* useName_;
  QButtonGroup* saveAsKey_;
  QButtonGroup* nameKey_;
  QLineEdit* name_;
};

// The printer.
class PPage5 : public CPropertyPage {
  Q_OBJECT
 public:
  explicit PPage5(CPSheet* sheet);
  void OnApply() override;

 protected:
  void OnInitDialog() override;

 private:
  QCheckBox* noPrinter_;
  QCheckBox* useThis_;
  QComboBox* printer_;
};

// Extra: log, clipboard, tray.
class PPage6 : public CPropertyPage {
  Q_OBJECT
 public:
  explicit PPage6(CPSheet* sheet);
  void OnApply() override;

 protected:
  void OnInitDialog() override;

 private:
  void ShowLog();
  QCheckBox* logging_;
  QLineEdit* logPath_;
  QCheckBox* clipboard_;
  QCheckBox* taskbar_;
  QCheckBox* mouse_;
  QLineEdit* tip_;
  QCheckBox* autostart_;
};

// The two hot keys, written to their own section.
class PPage7 : public CPropertyPage {
  Q_OBJECT
 public:
  explicit PPage7(CPSheet* sheet);
  void OnApply() override;

 protected:
  void OnInitDialog() override;

 private:
  void RowClicked(bool screenRow);
  QButtonGroup* screen_;
  QButtonGroup* window_;
};

// The graphic tool's command line.
class PPage8 : public CPropertyPage {
  Q_OBJECT
 public:
  explicit PPage8(CPSheet* sheet);
  void OnApply() override;

 protected:
  void OnInitDialog() override;

 private:
  void Browse();
  QLineEdit* tool_;
};

// The language.
class PPage9 : public CPropertyPage {
  Q_OBJECT
 public:
  explicit PPage9(CPSheet* sheet);
  void OnApply() override;
  void SetTexts() override;

 protected:
  void OnInitDialog() override;

 private:
  QButtonGroup* languages_;
  int systemLanguage_ = 0;
};

}  // namespace prentix
