#include "prentix/frame/prentixqtapp.h"

#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "platform/fileio.h"
#include "platform/paths.h"
#include "prentix/app/commands.h"
#include "prentix/app/framerules.h"
#include "prentix/app/outputrules.h"
#include "prentix/app/settings.h"
#include "prentix/app/tracelog.h"
#include "prentix/app/waylandrules.h"
#include "prentix/capture/desktopshortcuts.h"
#include "prentix/capture/screensource.h"
#include "prentix/frame/aboutbox.h"
#include "prentix/frame/hookfilter.h"
#include "prentix/frame/icons.h"
#include "prentix/frame/mainframe.h"
#include "prentix/frame/prentixdoc.h"
#include "prentix/frame/prentixview.h"
#include "prentix/image/document.h"
#include "prentix/lang/sprache.h"
#include "pxnthook/hookproc.h"

namespace prentix {

using namespace cmd;

namespace {

constexpr int kOneShotNoticeMs = 60000;

// GNOME's own shortcuts for the one-shot commands, written with gsettings
// once the user agreed; false when a setting could not be written.
bool SetGnomeShortcuts(const std::vector<GnomeShortcut>& keys) {
  auto gsettings = [](const QStringList& args, QString* out = nullptr) {
    QProcess p;
    p.start("gsettings", args);
    if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
      TraceLog("OfferDesktopKeys() gsettings %s failed\n", args.join(' ').toUtf8().data());
      return false;
    }
    if (out) *out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    return true;
  };
  auto q = [](const std::string& s) { return QString::fromStdString(s); };
  for (const char* own : kGnomeOwnShotKeys) {
    QString current;
    if (!gsettings({"get", kGnomeOwnKeysSchema, own}, &current)) continue;  // not in this shell
    std::vector<std::string> items = GVariantStrings(current.toStdString()), kept;
    for (const std::string& item : items) {
      if (std::none_of(keys.begin(), keys.end(),
                       [&](const GnomeShortcut& k) { return k.binding == item; })) {
        kept.push_back(item);
      }
    }
    if (kept.size() != items.size() &&
        !gsettings({"set", kGnomeOwnKeysSchema, own, q(GVariantStringList(kept))})) {
      return false;
    }
  }
  QString list;
  if (!gsettings({"get", kGnomeKeysSchema, "custom-keybindings"}, &list)) return false;
  std::vector<std::string> paths = GVariantStrings(list.toStdString());
  for (const GnomeShortcut& k : keys) {
    if (std::find(paths.begin(), paths.end(), k.path) == paths.end()) paths.push_back(k.path);
  }
  if (!gsettings({"set", kGnomeKeysSchema, "custom-keybindings", q(GVariantStringList(paths))})) {
    return false;
  }
  for (const GnomeShortcut& k : keys) {
    const QString schema = QString(kGnomeKeysSchema) + ".custom-keybinding:" + q(k.path);
    for (auto [field, value] :
         {std::pair{"name", &k.name}, {"command", &k.command}, {"binding", &k.binding}}) {
      if (!gsettings({"set", schema, field, q(GVariantString(*value))})) return false;
    }
  }
  return true;
}

}  // namespace

std::string ProgramPath() { return QCoreApplication::applicationFilePath().toStdString(); }

CPrentixApp::CPrentixApp(StartupSources sources) : core_(std::move(sources)) {}

CPrentixApp::~CPrentixApp() {
  if (hookFilter_) qApp->removeNativeEventFilter(hookFilter_.get());
  delete tray_;
}

bool CPrentixApp::InitInstance(const std::vector<std::string>& args, bool oneShot) {
  plan_ = core_.InitInstance(args);
  if (!RegisterShellFileTypes(plan_.templateString, ProgramPath())) {
    TraceLog("InitInstance() RegisterShellFileTypes failed\n");
  }

  // what an image operation has to say goes to a message box, not stderr
  SetImageMessageHook([](const std::string& text) {
    QMessageBox::warning(QApplication::activeWindow(), QString::fromUtf8(GetSprachText(16001)),
                         QString::fromStdString(text));
  });
  doc_ = std::make_unique<CPrentixDoc>();
  frame_ = std::make_unique<CMainFrame>(&router_, doc_.get(), ProgramPath());
  router_.SetChain({frame_.get(), frame_->View(), doc_.get(), this});
  frame_->Create();
  if (plan_.openPath) {
    doc_->OnOpenDocument(*plan_.openPath);
  } else {
    doc_->OnNewDocument();
  }
  frame_->UpdateTitle();
  connect(frame_.get(), &CMainFrame::Closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
  connect(qApp, &QGuiApplication::commitDataRequest, frame_.get(),
          [this](QSessionManager&) { frame_->OnEndSession(); });

  // the hook's commands reach the window as client messages
  CMainFrame* frame = frame_.get();
  hookFilter_ = std::make_unique<HookCommandFilter>(
      static_cast<unsigned long>(frame->winId()),
      [frame](int id, long keys) { frame->PostCommand(id, CommandSource::kHook, KeysOf(keys)); });
  qApp->installNativeEventFilter(hookFilter_.get());
  // a new tool tip or language reaches the icon at once
  connect(frame, &CMainFrame::SettingsChanged, frame, [this] {
    if (tray_) tray_->setToolTip(QString::fromStdString(TrayTooltip()));
  });

  if (oneShot) {
    // nobody would see a box of a program that ends at once: it waits here
    // (for a while: a key binding with nobody at the screen must still end)
    auto box = [frame](QMessageBox::Icon icon, const QString& text) {
      QMessageBox box(icon, QString::fromUtf8(GetSprachText(16001)), text, QMessageBox::Ok, frame);
      box.setObjectName("notice");
      QTimer::singleShot(kOneShotNoticeMs, &box, &QDialog::accept);
      box.exec();
    };
    frame->notify = [box](const QString& text) { box(QMessageBox::Warning, text); };
    // what the document says (where an automatic name saved the capture)
    // and what a picture file says the same way
    doc_->message = [box](const QString& text) { box(QMessageBox::Information, text); };
    SetImageMessageHook([box](const std::string& text) {
      box(QMessageBox::Warning, QString::fromStdString(text));
    });
    return true;
  }
  // a file asked for is shown, also by a tray program
  bool show = !plan_.startHidden || plan_.openPath.has_value();
  if (plan_.trayIcon) {
    AddTrayIcon();
    if (!tray_) show = true;  // a window nobody could reach otherwise
  }
  if (show) frame_->show();
  // once the window is up: a notice needs the tray or the window
  QTimer::singleShot(0, this, &CPrentixApp::CheckSettingsFolder);
  if (!WaylandSession()) QTimer::singleShot(0, this, &CPrentixApp::CheckHeldKeys);
  // once the window is up: the desktop may ask the user about the keys
  if (WaylandSession()) QTimer::singleShot(0, this, &CPrentixApp::OfferDesktopKeys);
  return true;
}

// A read-only home or a full disk: the user learns at start that changes
// will not last, instead of finding out when the settings are gone.
// Keys another program holds (often the desktop keeps Print Screen): the
// user learns it once; the hook takes them when they become free.
void CPrentixApp::CheckHeldKeys() {
  const std::string dir = platform::RuntimeDirectory();
  if (dir.empty()) return;
  const auto held =
      platform::ReadWholeFile(dir + "/" + pxnthook::kHeldKeysFile + std::to_string(getpid()));
  if (!held) return;
  std::istringstream codes(*held);
  std::string names;
  for (int vk; codes >> vk;) names += (names.empty() ? "" : ", ") + VirtualKeyName(vk);
  if (names.empty()) return;
  frame_->Notify(QString::fromStdString(FormatSprachText(16087, names)));
}

void CPrentixApp::CheckSettingsFolder() {
  const std::string folder = platform::WindowsDirectory();
  std::string why;
  bool writable = platform::MakeDirectories(folder);
  if (!writable) why = strerror(errno);
  if (writable) writable = platform::FolderWritable(folder, &why);
  const std::string text = SettingsNotice(folder, writable, why);
  if (text.empty()) return;
  TraceLog("InitInstance() the settings cannot be stored in %s: %s\n", folder.c_str(), why.c_str());
  frame_->Notify(QString::fromStdString(text));
}

void CPrentixApp::OfferDesktopKeys() {
  shortcuts_ = std::make_unique<DesktopShortcuts>();
  CMainFrame* frame = frame_.get();
  connect(shortcuts_.get(), &DesktopShortcuts::Activated, frame,
          [frame](int id) { frame->PostCommand(id, CommandSource::kHook); });
  const std::string screen = pxnthook::ShortcutTrigger(ReadHotKey(HotKey::kScreen), false);
  const std::string window = pxnthook::ShortcutTrigger(ReadHotKey(HotKey::kWindow), true);
  const char* desktop = getenv("XDG_CURRENT_DESKTOP");
  const KeyWay way =
      DesktopKeyWay(desktop ? desktop : "", shortcuts_->HasKdeService(), shortcuts_->HasPortal());
  bool bound = false;
  if (way == KeyWay::kKdeService) bound = shortcuts_->BindKde(screen, window) > 0;
  if (way == KeyWay::kPortal) bound = shortcuts_->BindPortal(screen, window);
  if (bound) return;
  TraceLog(
      "OfferDesktopKeys() Wayland: keys cannot be grabbed; bind prentix --print-screen, "
      "--print-window, --paste-print in the desktop's keyboard settings\n");
  if (!HotKeyNoticeDue(true, bound, GetIni(kWaylandSection, kKeyNoticeEntry) == "1")) return;
  WriteIni(kWaylandSection, kKeyNoticeEntry, "1");
  if (way == KeyWay::kGnomeSettings) return AskGnomeShortcuts(screen, window);
  const std::string text =
      way == KeyWay::kSwayConfig
          ? FormatSprachText(kSwayKeysNoticeKey, SwayConfigLines(screen, window))
          : GetSprachText(kHotKeyNoticeKey);
  // not modal: a tray program's start must not wait for it
  auto* box = new QMessageBox(QMessageBox::Information, QString::fromUtf8(GetSprachText(16001)),
                              QString::fromStdString(text), QMessageBox::Ok, frame);
  box->setObjectName("hotKeyNotice");
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setModal(false);
  box->show();
}

// GNOME has no service that takes keys for a program: with the user's
// consent, once, its own keyboard settings run the one-shot commands.
void CPrentixApp::AskGnomeShortcuts(const std::string& screen, const std::string& window) {
  // GNOME splits the command as a shell would
  std::string program = ProgramPath();
  if (program.find_first_of(" '\"\\$`") != std::string::npos) {
    std::string quoted = "'";
    for (char c : program) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    program = quoted + "'";
  }
  const std::vector<GnomeShortcut> keys = GnomeShortcuts(screen, window, program);
  std::string lines;
  for (auto [trigger, command] :
       {std::pair{screen, "--print-screen"}, {window, "--print-window"}}) {
    if (!trigger.empty()) lines += SwayBinding(trigger) + ": prentix " + command + "\n";
  }
  auto* box =
      new QMessageBox(QMessageBox::Question, QString::fromUtf8(GetSprachText(16001)),
                      QString::fromStdString(FormatSprachText(kGnomeKeysQuestionKey, lines)),
                      QMessageBox::Yes | QMessageBox::No, frame_.get());
  box->setObjectName("gnomeKeysQuestion");
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setModal(false);
  connect(box, &QMessageBox::finished, this, [this, keys](int answer) {
    if (answer != QMessageBox::Yes) {
      TraceLog("OfferDesktopKeys() GNOME shortcuts declined\n");
      return;
    }
    if (SetGnomeShortcuts(keys)) {
      TraceLog("OfferDesktopKeys() GNOME shortcuts set\n");
      return;
    }
    QMessageBox::information(frame_.get(), QString::fromUtf8(GetSprachText(16001)),
                             QString::fromUtf8(GetSprachText(kHotKeyNoticeKey)));
  });
  box->show();
}

void CPrentixApp::AddTrayIcon() {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    TraceLog("InitInstance() no system tray: the window is shown instead\n");
    return;
  }
  tray_ = new QSystemTrayIcon(ProgramIcon());
  tray_->setObjectName("tray");
  tray_->setToolTip(QString::fromStdString(TrayTooltip()));
  QSystemTrayIcon* tray = tray_;
  frame_->trayMessage = [tray](const QString& text) {
    tray->showMessage(QString::fromUtf8(GetSprachText(16001)), text, QSystemTrayIcon::Warning,
                      15000);
  };
  connect(tray_, &QSystemTrayIcon::activated, frame_.get(),
          [this](QSystemTrayIcon::ActivationReason reason) {
            TrayMouse mouse = reason == QSystemTrayIcon::Trigger   ? TrayMouse::kLeftDown
                              : reason == QSystemTrayIcon::Context ? TrayMouse::kRightDown
                                                                   : TrayMouse::kOther;
            frame_->OnTrayMouse(mouse);
          });
  tray_->show();
}

int CPrentixApp::ExitInstance() {
  SetImageMessageHook({});
  if (frame_) frame_->trayMessage = nullptr;
  delete tray_;
  tray_ = nullptr;
  ClearCurrent();
  return core_.ExitInstance();
}

bool CPrentixApp::Handles(int id) const { return id == kAppAbout || id == kFileNew; }

void CPrentixApp::OnCommand(int id) {
  if (id == kAppAbout) {
    AboutBox box(frame_.get());
    box.exec();
  } else if (id == kFileNew) {
    doc_->OnNewDocument();
  }
}

}  // namespace prentix
