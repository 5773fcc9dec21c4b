#include "prentix/frame/mainframe.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include "prentix/app/commands.h"
#include "prentix/app/menus.h"
#include "prentix/app/settings.h"
#include "prentix/app/sheetrules.h"
#include "prentix/app/tracelog.h"
#include "prentix/app/viewstate.h"
#include "prentix/capture/screensource.h"
#include "prentix/frame/icons.h"
#include "prentix/frame/opener.h"
#include "prentix/frame/pointers.h"
#include "prentix/frame/prentixdoc.h"
#include "prentix/frame/prentixview.h"
#include "prentix/frame/printpreview.h"
#include "prentix/image/document.h"
#include "prentix/lang/sprache.h"
#include "prentix/settings/psheet.h"
#include "prentix/toolbars/customizesheet.h"
#include "prentix/toolbars/toolbarmanager.h"
#include "pxnthook/pxnthook.h"

namespace prentix {

using namespace cmd;

namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }

// "Size: " -> "Size:": the tables pad the pane labels with blanks.
std::string Trimmed(const char* text) {
  std::string s = text;
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

}  // namespace

CMainFrame::CMainFrame(CommandRouter* router, CPrentixDoc* doc, std::string programPath)
    : router_(router), doc_(doc), programPath_(std::move(programPath)) {
  setObjectName("mainframe");
  setWindowIcon(ProgramIcon());
  setAcceptDrops(true);
  view_ = new CPrentixView(doc_, router_, this);
  setCentralWidget(view_);
  connect(view_, &CPrentixView::PostCommand, this, [this](int id) { PostCommand(id); });
  connect(view_, &CPrentixView::PreviewReady, this, &CMainFrame::ShowPreview);
  connect(view_, &CPrentixView::CaptureFailed, this,
          [this](const QString& text) { tellUser(this, text); });
  connect(doc_, &CPrentixDoc::Changed, this, &CMainFrame::UpdateTitle);
  connect(view_, &CPrentixView::Notice, this, &CMainFrame::Notify);
  connect(doc_, &CPrentixDoc::SaveFailed, view_, &CPrentixView::OnSaveFailed);
  askQuestion = [](QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, QString::fromUtf8(GetSprachText(16001)), text,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
  };
  runSheet = [](CPSheet& sheet) { return sheet.exec(); };
  tellUser = [](QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QString::fromUtf8(GetSprachText(16001)), text);
  };
  notify = [this](const QString& text) {
    if (trayMessage && (!isVisible() || isMinimized())) {
      trayMessage(text);
      return;
    }
    // not modal: the capture that failed must not wait for the answer
    auto* box = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(GetSprachText(16001)), text,
                                QMessageBox::Ok, this);
    box->setObjectName("notice");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
  };
  resize(640, 480);
}

void CMainFrame::Notify(const QString& text) {
  TraceLog("Notify() %s\n", text.toUtf8().data());
  notify(text);
}

CMainFrame::~CMainFrame() { RemoveHook(); }

QAction* CMainFrame::ActionFor(int id) {
  auto it = actions_.find(id);
  if (it != actions_.end()) return it->second;
  auto* a = new QAction(Text(MenuText(id)), this);
  a->setObjectName(QString("cmd%1").arg(id));
  a->setStatusTip(Text(PromptFor(id).prompt));
  a->setCheckable(id == kShowGrid || (id >= kCursorFirst && id <= kCursorLast));
  if (id >= kCursorFirst && id <= kCursorLast) {
    // the pointer's own picture stands for it in the menu
    a->setIcon(QIcon(QPixmap::fromImage(PointerImage(id))));
    a->setIconVisibleInMenu(true);
  }
  a->setMenuRole(QAction::NoRole);
  connect(a, &QAction::triggered, this, [this, id] {
    router_->Route(id, CommandSource::kMenu);
    UpdateCommandUi();
  });
  actions_[id] = a;
  return a;
}

void CMainFrame::BuildMenus() {
  const Settings& s = LiveSettings();
  helpFile_ = HelpFilePath(programPath_);
  menuBar()->clear();
  std::function<void(QMenu*, const std::vector<MenuEntry>&)> fill = [&](QMenu* menu,
                                                                        const auto& entries) {
    for (const MenuEntry& e : entries) {
      if (e.kind == MenuEntry::kSeparator) {
        menu->addSeparator();
      } else if (e.kind == MenuEntry::kPopup) {
        QMenu* sub = menu->addMenu(Text(e.text));
        sub->setObjectName(QString("menu%1").arg(e.id));
        fill(sub, e.children);
      } else if (e.id == kRecentFile) {
        // one item a recently used file, named when the menu opens
        for (int i = 0; i < kRecentFiles; ++i) menu->addAction(ActionFor(kRecentFile + i));
      } else {
        menu->addAction(ActionFor(e.id));
      }
    }
  };
  for (const MenuEntry& popup : BuildMenuBar(s.menu == 1, !helpFile_.empty())) {
    QMenu* menu = menuBar()->addMenu(Text(popup.text));
    menu->setObjectName(QString("menu%1").arg(popup.id));
    fill(menu, popup.children);
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUi);
  }
}

void CMainFrame::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  positionPane_ = new QLabel;
  sizePane_ = new QLabel;
  positionPane_->setObjectName("pane32961");
  sizePane_->setObjectName("pane32960");
  positionPane_->setMinimumWidth(140);
  sizePane_->setMinimumWidth(120);
  bar->addPermanentWidget(positionPane_);
  bar->addPermanentWidget(sizePane_);
  // the idle prompt whenever no item's prompt is shown
  bar->showMessage(Text(LoadSprachString(57345)));
  // in the language of the moment: the settings may switch it
  connect(bar, &QStatusBar::messageChanged, bar, [bar](const QString& m) {
    if (m.isEmpty()) bar->showMessage(Text(LoadSprachString(57345)));
  });
}

void CMainFrame::Create() {
  BuildMenus();
  if (LiveSettings().menu == 1) {
    CreateStatusBar();
    bars_ = new ToolBarManager(this, [this](int id) { return ActionFor(id); });
    bars_->CreateDefaultBar();
    QComboBox* box = bars_->ZoomBox();
    connect(box, &QComboBox::activated, this,
            [this] { router_->Route(kZoomBoxList, CommandSource::kToolBar); });
    view_->boxEntry = [box] { return box->currentIndex(); };
    view_->selectBoxEntry = [box](int entry) { box->setCurrentIndex(entry); };
    view_->showMessage = [this](const QString& text) { statusBar()->showMessage(text); };
    setDockOptions(dockOptions() | QMainWindow::AllowNestedDocks);
    bars_->LoadState();
  }
  UpdateCommandUi();
  // menus and buttons follow the clipboard and the picture when they
  // change, not by polling: an idle program sleeps
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
          &CMainFrame::UpdateCommandUi);
  connect(view_, &CPrentixView::MouseMoved, this, &CMainFrame::UpdatePanes);
  connect(view_, &CPrentixView::StateChanged, this, [this] {
    UpdatePanes();
    if (!commandUiDue_) {
      // once for a burst of changes (a mouse drag, a capture)
      commandUiDue_ = true;
      QTimer::singleShot(0, this, [this] {
        commandUiDue_ = false;
        UpdateCommandUi();
      });
    }
  });

  // on Wayland an X server's grabs would catch keys only while one of its
  // own windows has the focus; the keys are the desktop's there
  if (WaylandSession()) return;
  hookWindow_ = static_cast<int>(winId());
  hookInstalled_ = true;
  InstalliereHook(hookWindow_, 1);
}

void CMainFrame::RemoveHook() {
  if (!hookInstalled_) return;
  hookInstalled_ = false;
  InstalliereHook(hookWindow_, 0);
}

void CMainFrame::UpdateRecentFiles() {
  const std::vector<std::string>& recent = doc_->RecentFiles();
  for (int i = 0; i < kRecentFiles; ++i) {
    auto it = actions_.find(kRecentFile + i);
    if (it == actions_.end()) continue;
    QAction* a = it->second;
    if (static_cast<size_t>(i) < recent.size()) {
      QString name = QString::fromStdString(recent[i]);
      name.replace("&", "&&");
      a->setText(QString("&%1 %2").arg(i + 1).arg(name));
      a->setVisible(true);
    } else {
      // an empty list shows its placeholder, greyed
      a->setText(Text(MenuText(kRecentFile)));
      a->setVisible(i == 0 && recent.empty());
    }
  }
}

void CMainFrame::UpdateCommandUi() {
  UpdateRecentFiles();
  for (auto& [id, action] : actions_) {
    action->setEnabled(router_->IsEnabled(id));
    if (action->isCheckable()) action->setChecked(router_->IsChecked(id));
  }
}

void CMainFrame::UpdatePanes() {
  if (!sizePane_) return;
  const SECDib* image = CurrentImage();
  if (!image) {
    sizePane_->clear();
    positionPane_->clear();
    return;
  }
  char text[300];
  snprintf(text, sizeof text, "%s %u*%u", Trimmed(GetSprachText(32960)).c_str(), image->m_dwWidth,
           image->m_dwHeight);
  sizePane_->setText(Text(text));
  QPoint p = view_->MousePosition();
  snprintf(text, sizeof text, "%s %d,%d", Trimmed(GetSprachText(32961)).c_str(), p.x(), p.y());
  positionPane_->setText(Text(text));
}

void CMainFrame::UpdateTitle() {
  QString title = QString::fromUtf8(GetSprachText(16001));
  if (!doc_->PathName().empty()) {
    title = QFileInfo(Text(doc_->PathName())).fileName() + " - " + title;
  }
  setWindowTitle(title);
}

void CMainFrame::PostCommand(int id, CommandSource source, std::optional<ModifierKeys> keys) {
  QMetaObject::invokeMethod(
      this,
      [this, id, source, keys] {
        if (source == CommandSource::kHook) {
          RouteFromHook(id, keys);
        } else {
          router_->Route(id, source);
        }
        UpdateCommandUi();
      },
      Qt::QueuedConnection);
}

void CMainFrame::RouteFromHook(int id, std::optional<ModifierKeys> keys) {
  // the hook holds Print Screen, so the copy the desktop would have made
  // is made here before the paste
  // decided by the keys as they were at the release when the hook says
  ScreenSource* screen = CurrentScreenSource();
  const ModifierKeys held = keys ? *keys : screen ? screen->Keys() : ModifierKeys{};
  TraceLog("RouteFromHook() %d, keys %s: shift %d ctrl %d alt %d\n", id,
           keys ? "at the release" : "now", held.shift, held.ctrl, held.alt);
  if (id == cmd::kPasteAndPrint) view_->SystemPrintScreen(held.alt);
  view_->SetCommandKeys(held);
  router_->Route(id, CommandSource::kHook);
  view_->SetCommandKeys(std::nullopt);
}

void CMainFrame::OpenFile(const std::string& path) {
  doc_->OnOpenDocument(path);
  UpdateCommandUi();
}

void CMainFrame::OnTrayMouse(TrayMouse mouse) {
  RunFlags& flags = Flags();
  switch (TrayCallbackAction(mouse, LiveSettings().MausSwitch == 1, flags.trayBusy)) {
    case TrayAction::kCapture:
      flags.trayBusy = true;
      if (isVisible()) activateWindow();
      flags.noExit = true;
      router_->Route(kTrayCapture, CommandSource::kTray);
      flags.noExit = false;
      flags.trayBusy = false;
      break;
    case TrayAction::kShowWindow:
      showNormal();
      raise();
      activateWindow();
      break;
    case TrayAction::kNone:
      break;
  }
}

bool CMainFrame::SaveBarState() { return !bars_ || bars_->SaveState(); }

void CMainFrame::OnEndSession() {
  sessionEnding_ = true;
  SaveBarState();
  close();
}

bool CMainFrame::Handles(int id) const {
  return IsFrameCommand(id) && (id != kHelpTopics || !helpFile_.empty()) &&
         (id != kToolbar || bars_);
}

void CMainFrame::OnCommand(int id) {
  switch (id) {
    case kMinimize:
      showMinimized();
      break;
    case kHelpTopics:
      OpenWithDesktop(this, helpFile_, [this](const QString& text) { Notify(text); });
      break;
    case kToolbar:
      Customize();
      break;
    case kSettings:
      OnSettings();
      break;
    case kAppExit:
      close();
      break;
  }
}

void CMainFrame::Customize() {
  CustomizeSheet sheet(bars_, this);
  sheet.exec();
  SaveBarState();
}

void CMainFrame::OnSettings() {
  const Settings before = BeginSettingsEdit();
  // the clipboard keeps the picture as it is, for the preview
  const SECDib* shown = CurrentImage();
  if (shown) router_->Route(kEditCopy, CommandSource::kProgram);
  // and a cancel puts back the picture itself, with its file: a paste from
  // the clipboard would forget the file and adjust the colours once more
  // (an inverted capture would turn back)
  std::unique_ptr<SECDib> kept;
  if (shown) {
    kept = std::make_unique<SECDib>();
    if (!kept->CopyImage(*shown)) kept.reset();
  }
  const std::string path = doc_->PathName();
  const bool modified = doc_->modified;
  SheetHost host;
  host.issue = [this](int id) { router_->Route(id, CommandSource::kProgram); };
  host.pictureLoaded = [] { return CurrentImage() != nullptr; };
  host.languageChanged = [this] { Retranslate(); };
  host.message = [this](QWidget* parent, const QString& text) { tellUser(parent, text); };
  host.chooseFile = [](QWidget* parent, const QString& caption, const QString& filters) {
    return QFileDialog::getOpenFileName(parent, caption, QString(), filters);
  };
  CPSheet sheet(std::move(host), this);
  // (whether a preview replaced it cannot be told by its address: a later
  // picture may take the freed one's)
  if (runSheet(sheet) != QDialog::Accepted && shown) {
    if (kept) {
      SetCurrentImage(std::move(kept));
      doc_->RestorePath(path, modified);
    } else {
      router_->Route(kEditPaste, CommandSource::kProgram);
    }
  }
  if (SettingsApplied() && NeedsRestart(before, LiveSettings())) {
    tellUser(this, QString::fromUtf8(GetSprachText(kRestartKey)));
  }
  emit SettingsChanged();
}

void CMainFrame::Retranslate() {
  for (auto& [id, action] : actions_) {
    action->setText(Text(MenuText(id)));
    action->setStatusTip(Text(PromptFor(id).prompt));
  }
  BuildMenus();
  if (bars_) {
    bars_->RefreshIcons();
    bars_->Bar()->setWindowTitle(QString::fromUtf8(GetSprachText(16046)));
  }
  if (statusBar()) statusBar()->showMessage(Text(LoadSprachString(57345)));
  UpdateTitle();
  UpdateCommandUi();
}

void CMainFrame::ShowPreview(QWidget* preview) {
  EndPreview();
  takeCentralWidget();  // the view stays ours, hidden
  view_->hide();
  preview_ = preview;
  setCentralWidget(preview_);
  if (auto* p = qobject_cast<PrintPreview*>(preview_)) {
    connect(p, &PrintPreview::Closed, this, &CMainFrame::EndPreview);
  }
  show();
}

void CMainFrame::EndPreview() {
  if (!preview_) return;
  QWidget* preview = takeCentralWidget();
  preview_ = nullptr;
  preview->deleteLater();
  setCentralWidget(view_);
  view_->show();
}

void CMainFrame::closeEvent(QCloseEvent* e) {
  // closing the preview's window ends the preview, not the program
  if (preview_) {
    EndPreview();
    e->ignore();
    return;
  }
  SaveBarState();
  if (LiveSettings().Taskbar == 1 && !sessionEnding_ &&
      askQuestion(this, Text(CloseQuestion())) != QMessageBox::Yes) {
    e->ignore();
    showMinimized();
    return;
  }
  RemoveHook();
  e->accept();
  emit Closed();
}

void CMainFrame::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  if (e->type() == QEvent::WindowStateChange && isMinimized() &&
      HideWhenMinimized(LiveSettings().Taskbar == 1, Flags().noExit)) {
    // not from inside the state change itself
    QTimer::singleShot(0, this, &QWidget::hide);
  }
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* e) {
  for (const QUrl& url : e->mimeData()->urls()) {
    if (url.isLocalFile()) doc_->OnOpenDocument(url.toLocalFile().toStdString());
  }
  e->acceptProposedAction();
}

}  // namespace prentix
