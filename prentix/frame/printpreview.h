#pragma once
// The print preview in the main window, in place of the view: the page as
// it would print, with the bar of the user's language.

#include <QWidget>
#include <functional>
#include <memory>

class QPrinter;
class QPrintPreviewWidget;
class QPushButton;

namespace prentix {

class PrintPreview : public QWidget {
  Q_OBJECT
 public:
  using Paint = std::function<void(QPrinter*)>;
  PrintPreview(std::unique_ptr<QPrinter> printer, Paint paint, QWidget* parent = nullptr);
  ~PrintPreview() override;
  QPushButton* Button(int index) const { return buttons_[index]; }
  QPrintPreviewWidget* Widget() const { return widget_; }

 signals:
  void PrintRequested();
  void Closed();

 private:
  std::unique_ptr<QPrinter> printer_;
  QPrintPreviewWidget* widget_;
  QPushButton* buttons_[7] = {};
};

}  // namespace prentix
