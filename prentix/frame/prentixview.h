#pragma once
// The view: draws the current picture (or clipboard text, or the hints of
// an empty view) and takes the commands that work on the picture.

#include <QAbstractScrollArea>
#include <QImage>

#include "prentix/app/commandrouter.h"
#include "prentix/app/viewstate.h"

namespace prentix {

class CPrentixDoc;

class CPrentixView : public QAbstractScrollArea, public CommandTarget {
  Q_OBJECT
 public:
  CPrentixView(CPrentixDoc* doc, CommandRouter* router, QWidget* parent = nullptr);

  ViewState State() const;
  bool Handles(int id) const override;
  bool IsEnabled(int id) const override;
  bool IsChecked(int id) const override;
  void OnCommand(int id) override;

  // The picture changed: new scroll sizes, new drawing.
  void PictureChanged();
  // Where the mouse last was over the picture, in picture pixels.
  QPoint MousePosition() const { return mouse_; }

 signals:
  void PostCommand(int id);  // to the main window, handled after this one

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;

 private:
  void OnNew();
  void OnEditPicture();
  void OnMail();
  void OnPrintScreen();
  void OnPrintDk();
  void OutputStep();
  std::string PictureFile();
  void UpdateScrollSizes();
  const QImage& Picture();

  CPrentixDoc* doc_;
  CommandRouter* router_;
  QImage picture_;
  bool pictureValid_ = false;
  bool busyPrintScreen_ = false;
  QPoint mouse_;
};

}  // namespace prentix
