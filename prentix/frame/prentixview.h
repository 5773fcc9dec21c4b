#pragma once
// The view: draws the current picture (at the zoom, with the grid), the
// clipboard text or the hints of an empty view, and takes the commands
// that capture, paste, copy and hand on the picture.

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QImage>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "prentix/app/commandrouter.h"
#include "prentix/app/viewstate.h"
#include "prentix/app/zoomrules.h"
#include "prentix/capture/screensource.h"

class QPrinter;

namespace prentix {

class CPrentixDoc;
class SECDib;

// The printer that writes numbered PDF files, offered beside the system's
// queues and taken when there is none.
inline constexpr const char kPdfFilePrinter[] = "PDF file";

class CPrentixView : public QAbstractScrollArea, public CommandTarget {
  Q_OBJECT
 public:
  CPrentixView(CPrentixDoc* doc, CommandRouter* router, QWidget* parent = nullptr);
  ~CPrentixView() override;

  // What the state rules ask; the clipboard only when asked for, because
  // asking it costs a round trip to its owner.
  ViewState State(bool clipboard = true) const;
  bool Handles(int id) const override;
  bool IsEnabled(int id) const override;
  bool IsChecked(int id) const override;
  void OnCommand(int id) override;

  // The picture changed: new scroll sizes, new drawing.
  void PictureChanged();
  // Where the mouse last was over the picture, in picture pixels.
  QPoint MousePosition() const { return mouse_; }

  // Zoom and grid as the view tools set them.
  int Zoom() const { return zoom_; }
  void SetZoom(int zoom);
  bool Grid() const { return grid_; }
  void SetGrid(bool on);

  // The screen's copy that Print Screen makes itself (Alt: the active
  // window), put on the clipboard as a picture before the hook's paste.
  void SystemPrintScreen(bool window);
  // The modifiers a hook command was given with, for its handler; unset,
  // the handler reads the keyboard.
  void SetCommandKeys(std::optional<ModifierKeys> keys) { commandKeys_ = keys; }

  // Print jobs still watched for a printer's failure.
  bool WatchingJobs() const { return !jobs_.empty(); }

  // Real print jobs so far (cancelled dialogs count too).
  static int PrintCounter();
  // Where the PDF-file printer writes: the documents folder's "Prentix".
  static QString PdfFolder();
  // The print dialog; tests answer it themselves.
  std::function<bool(QPrinter& printer)> printDialog;

  // The tool bar's zoom box (its chosen entry, -1 for none) and the status
  // bar's message pane, as the frame has them.
  std::function<int()> boxEntry;
  std::function<void(int entry)> selectBoxEntry;
  std::function<void(const QString& text)> showMessage;
  // The armed mouse mode: 0 none, 1 stamp a pointer, 2 zoom in, 3 cut.
  int Mode() const { return mode_; }

 signals:
  void PostCommand(int id);  // to the main window, handled after this one
  // The print preview is ready to take the view's place.
  void PreviewReady(QWidget* preview);
  // A capture brought no picture, and the user should know why.
  void CaptureFailed(const QString& text);
  // Something the user must learn without being kept waiting: a print or
  // save that failed and where the picture was kept, where pages went.
  void Notice(const QString& text);
  // The picture changed: panes and commands follow; the mouse moved over
  // it: the position pane follows.
  void StateChanged();
  void MouseMoved();

 public slots:
  // The document could not save a capture: kept elsewhere and told.
  void OnSaveFailed(const QString& text);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  // the commands
  void OnNew();
  void OnEditPicture();
  void OnMail();
  void OnEd();
  void OnPrintDk();
  void OnPrintScreen();
  void OnPrintWindow();
  void OnEditPaste();
  void OnEditCopy();

  void TakeBitmap(const DeviceBitmap& bitmap, bool adjustColours);
  std::optional<DeviceBitmap> CaptureRect(ScreenSource* source, const ScreenRect& r);
  void ReportFailedCopy(ScreenSource* source, const char* who);
  void OutputStep(bool modifierCounts);
  void OnTurn(int id);
  void OnZoomCommand(int id);
  void Arm(int mode, int pointer);
  void StampPointer(QPoint click);
  void ZoomInAt(QPoint click);
  void AutoScroll();
  ScrollDirection EdgeDirection() const;  // where the resting mouse scrolls
  void FinishCut(QPoint end);
  QPoint Scroll() const;
  void OnFilePrint(bool withDialog);
  void OnFilePrintPreview();
  void OnFilePrintSetup();
  bool OnPreparePrinting(QPrinter& printer, bool preview, bool withDialog);
  std::unique_ptr<SECDib> PictureToKeep() const;
  void OutputFailed(const std::string& text, SECDib* picture);
  void WatchJob(int job, const std::string& queue, std::unique_ptr<SECDib> picture);
  void CheckJobs();
  void TellPdfFolder(const QString& folder);
  void DrawPage(QPainter& p, QPrinter& printer);
  void EmptyClipboard(const char* who);
  std::string PictureFile();
  void UpdateScrollSizes();
  const QImage& Picture();
  void DrawEmpty(QPainter& p);
  static void DrawTextContent(QPainter& p, const QRect& target, int cellHeight,
                              const std::string& text);
  static void LogDrawing(const SECDib& image, QSize size, int depth);

  CPrentixDoc* doc_;
  CommandRouter* router_;
  QImage picture_;  // over the current picture's rows, or a converted copy
  const SECDib* pictureOf_ = nullptr;
  bool pictureValid_ = false;
  int zoom_ = 0;
  int pageSteps_[2] = {10, 10};  // the view's page step, across and down
  bool grid_ = false;
  bool busyEd_ = false;
  bool busyPrintScreen_ = false;
  bool busyPrintWindow_ = false;
  QPoint mouse_;
  std::unique_ptr<QPrinter> setup_;  // what Print Setup chose, for later jobs
  int mode_ = 0;
  int modePointer_ = 0;   // the pointer shown (and stamped in mode 1)
  int lastPointer_ = -1;  // the pointer chosen last for stamping
  class QRubberBand* band_ = nullptr;
  class QTimer* autoScroll_ = nullptr;  // while stamping at an edge
  QPoint lastMove_;                     // where the mouse rests
  QPoint bandOrigin_;
  bool dragging_ = false;
  // print jobs the scheduler took, watched until the printer is done
  struct JobWatch {
    int job = 0;
    std::string queue;
    std::unique_ptr<SECDib> picture;  // kept when the job fails
    QElapsedTimer since;
  };
  std::vector<std::unique_ptr<JobWatch>> jobs_;
  std::string unreachableQueue_;
  std::optional<ModifierKeys> commandKeys_;  // named, but the scheduler did not answer
  class QTimer* jobTimer_ = nullptr;
};

}  // namespace prentix
