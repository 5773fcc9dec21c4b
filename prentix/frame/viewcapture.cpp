// The view's capture commands: the screen, the active window and the
// clipboard's picture become the current image, which then is saved,
// printed or only shown.

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QThread>

#include "prentix/app/capturerules.h"
#include "prentix/app/commands.h"
#include "prentix/app/framerules.h"
#include "prentix/app/settings.h"
#include "prentix/app/tracelog.h"
#include "prentix/app/waylandrules.h"
#include "prentix/frame/pictureqt.h"
#include "prentix/frame/prentixdoc.h"
#include "prentix/frame/prentixview.h"
#include "prentix/image/document.h"
#include "prentix/lang/sprache.h"
#include "prentix/print/adjustcolours.h"

namespace prentix {

using namespace cmd;

namespace {

// The program's own menus and windows finish repainting before the copy.
void DispatchWaiting() { QCoreApplication::processEvents(QEventLoop::AllEvents, 50); }

}  // namespace

// A new picture from a device bitmap; the old one stays when that fails.
void CPrentixView::TakeBitmap(const DeviceBitmap& bitmap, bool adjustColours) {
  auto image = std::make_unique<SECDib>();
  if (!image->CreateFromBitmap(bitmap)) return;
  if (adjustColours) {
    const Settings& s = LiveSettings();
    AdjustColours(*image, {s.MonoR, s.MonoG, s.MonoB, s.MonoM, s.GreyScale, s.MonoChange});
  }
  SetCurrentImage(std::move(image));
  // Edit picture and Mail must not hand on the file of an earlier picture
  doc_->ForgetPath();
  doc_->UpdatePictureSize();
  PictureChanged();
}

std::optional<DeviceBitmap> CPrentixView::CaptureRect(ScreenSource* source, const ScreenRect& r) {
  if (!source || r.Empty()) return std::nullopt;
  return source->Copy(r);
}

// A desktop that refused the copy is named once, in the log and to the
// user; the capture then carries on with the previous picture.
void CPrentixView::ReportFailedCopy(ScreenSource* source, const char* who) {
  const int key = source ? source->FailureKey() : 0;
  if (!key) return;
  // a refusal names the command that lets the desktop ask again
  const std::string text = key == PortalMessageKey(PortalResult::kRefused)
                               ? FormatSprachText(key, kAllowShotsCommand)
                               : GetSprachText(key);
  TraceLog("%s() %s\n", who, text.c_str());
  emit CaptureFailed(QString::fromStdString(text));
}

// Save or print the capture; both are done before the capture goes on.
void CPrentixView::OutputStep(bool modifierCounts) {
  switch (OutputFor(LiveSettings(), modifierCounts)) {
    case CaptureOutput::kSave:
      window()->activateWindow();
      router_->Route(kSaveInternal, CommandSource::kProgram);
      break;
    case CaptureOutput::kPrint:
      router_->Route(kFilePrintDirect, CommandSource::kProgram);
      break;
    case CaptureOutput::kShowOnly:
      break;
  }
}

void CPrentixView::EmptyClipboard(const char* who) {
  if (LiveSettings().DeleteClipboard != 1) return;
  TraceLog("%s() clear clipboard\n", who);
  QGuiApplication::clipboard()->clear();
}

void CPrentixView::OnPrintDk() {
  TraceLog("OnPrintDk()\n");
  DispatchWaiting();
  ScreenSource* source = CurrentScreenSource();
  if (source) {
    if (auto bitmap = CaptureRect(source, source->Whole())) {
      TakeBitmap(*bitmap, true);
    } else {
      ReportFailedCopy(source, "OnPrintDk");
    }
  }
  OutputStep(false);
  EmptyClipboard("OnPrintDk");
  if (!Flags().noExit) emit PostCommand(kAppExit);
}

void CPrentixView::OnPrintScreen() {
  TraceLog("OnPrintScreen()\n");
  ScreenSource* source = CurrentScreenSource();
  ScreenWindow foreground = source ? source->Foreground() : 0;
  if (busyPrintScreen_) return;
  busyPrintScreen_ = true;
  Flags().noExit = true;
  OnPrintDk();
  Flags().noExit = false;
  busyPrintScreen_ = false;
  if (source) source->Activate(foreground);
}

void CPrentixView::OnPrintWindow() {
  TraceLog("OnPrintWindow()\n");
  ScreenSource* source = CurrentScreenSource();
  ScreenWindow selected = source ? source->Foreground() : 0;
  if (busyPrintWindow_) return;
  busyPrintWindow_ = true;
  std::optional<DeviceBitmap> bitmap;
  if (source && source->UserPicksWindow()) {
    TraceLog("OnPrintWindow() the desktop lets the user pick the window\n");
    bitmap = source->CopyPicked();
    if (!bitmap) ReportFailedCopy(source, "OnPrintWindow");
  } else if (source && source->IsDesktop(selected)) {
    TraceLog("OnPrintWindow() hWndSelect == hWndDesktop\n");
    DispatchWaiting();
    bitmap = CaptureRect(source, source->Whole());
  } else if (!selected) {
    TraceLog("OnPrintWindow() Cannot capture that window!\n");
    busyPrintWindow_ = false;
    return;
  } else {
    TraceLog("OnPrintWindow() hWndSelect ok\n");
    if (!source->IsVisible(selected)) {
      TraceLog("OnPrintWindow() Window is not visible.  Can't capture!\n");
      busyPrintWindow_ = false;
      return;
    }
    source->Raise(selected);
    DispatchWaiting();
    if (auto r = source->WindowRect(selected)) bitmap = CaptureRect(source, *r);
  }
  // the window keeps its own colours
  if (bitmap) TakeBitmap(*bitmap, false);
  OutputStep(false);
  busyPrintWindow_ = false;
  EmptyClipboard("OnPrintWindow");
  source->Activate(selected);
}

void CPrentixView::OnEditPaste() {
  FreeCurrentText();
  QClipboard* clipboard = QGuiApplication::clipboard();
  const QMimeData* data = nullptr;
  for (int attempt = 0; attempt < kClipboardAttempts; ++attempt) {
    data = clipboard->mimeData();
    if (data) break;
    TraceLog("OnEditPaste( %d )\n", attempt);
    QThread::yieldCurrentThread();
  }
  if (!data) return;
  if (data->hasImage()) {
    QImage picture = clipboard->image();
    if (!picture.isNull()) TakeBitmap(BitmapOf(picture), true);
  } else if (data->hasText()) {
    SetCurrentText(ClipboardText(data->text().toStdString()));
    emit PostCommand(kFileNew);
    doc_->UpdatePictureSize();
    PictureChanged();
  }
}

void CPrentixView::OnEditCopy() {
  TraceLog("OnEditCopy()\n");
  const SECDib* image = CurrentImage();
  if (!image) return;
  QImage picture = UprightImage(*image);
  if (!picture.isNull()) QGuiApplication::clipboard()->setImage(picture);
}

void CPrentixView::OnEd() {
  TraceLog("OnEd()\n");
  ScreenSource* source = CurrentScreenSource();
  ScreenWindow foreground = source ? source->Foreground() : 0;
  if (window()->isVisible()) window()->activateWindow();
  if (busyEd_) return;
  busyEd_ = true;
  OnEditPaste();
  ModifierKeys keys = commandKeys_ ? *commandKeys_ : source ? source->Keys() : ModifierKeys{};
  ModifierRule rule = PasteModifiers(LiveSettings(), keys.shift, keys.ctrl);
  if (rule.saveRequest) Flags().captureSaveRequest = true;
  if (OutputFor(LiveSettings(), rule.counts) == CaptureOutput::kSave) {
    TraceLog("OnEd(): SendMessage: IDM_DATEI_SICHERN_UNTER_INTERN\n");
  }
  OutputStep(rule.counts);
  doc_->modified = false;
  Flags().captureSaveRequest = false;
  busyEd_ = false;
  EmptyClipboard("OnEd");
  if (source) source->Activate(foreground);
}

void CPrentixView::SystemPrintScreen(bool activeWindow) {
  ScreenSource* source = CurrentScreenSource();
  if (!source) return;
  std::optional<DeviceBitmap> bitmap;
  ScreenWindow w = activeWindow ? source->Foreground() : 0;
  if (w && !source->IsDesktop(w)) {
    if (auto r = source->WindowRect(w)) bitmap = CaptureRect(source, *r);
  } else {
    bitmap = CaptureRect(source, source->Whole());
  }
  if (bitmap) {
    QGuiApplication::clipboard()->setImage(ImageOf(*bitmap));
  } else {
    ReportFailedCopy(source, "SystemPrintScreen");
  }
}

}  // namespace prentix
