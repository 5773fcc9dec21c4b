// Captures on Wayland desktops: the screen comes from the portal's
// Screenshot, a window from the same call with the user picking it. The
// portal writes a file and hands back its URI; the picture is read and the
// file removed, so no screenshot stays behind.

#include <QDBusArgument>
#include <QDBusMessage>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QUrl>

#include "prentix/capture/portal.h"
#include "prentix/capture/screensource.h"
#include "prentix/frame/pictureqt.h"

namespace prentix {

namespace {

// GNOME asks the user before a program's first shot, and a pick waits for
// the user too: a shot waits as long as the portal is there.
constexpr int kShotTimeoutMs = -1;
constexpr int kPickTimeoutMs = 180000;

class PortalSource : public ScreenSource {
 public:
  explicit PortalSource(const std::string& service) : portal_(QString::fromStdString(service)) {}

  int Width() override { return ScreenSize().width(); }
  int Height() override { return ScreenSize().height(); }

  std::optional<DeviceBitmap> Copy(const ScreenRect& r) override {
    QImage shot = Shot(false, kShotTimeoutMs);
    if (shot.isNull()) return std::nullopt;
    QRect wanted =
        QRect(QPoint(std::max(r.left, 0), std::max(r.top, 0)), QPoint(r.right - 1, r.bottom - 1)) &
        shot.rect();
    if (wanted.isEmpty()) return std::nullopt;
    return BitmapOf(wanted == shot.rect() ? shot : shot.copy(wanted));
  }

  // No program learns which window is active; the user points at it.
  ScreenWindow Foreground() override { return 0; }
  bool IsDesktop(ScreenWindow) override { return false; }
  bool IsVisible(ScreenWindow) override { return false; }
  std::optional<ScreenRect> WindowRect(ScreenWindow) override { return std::nullopt; }
  void Raise(ScreenWindow) override {}
  void Activate(ScreenWindow) override {}
  ModifierKeys Keys() override {
    Qt::KeyboardModifiers m = QGuiApplication::queryKeyboardModifiers();
    return {m.testFlag(Qt::ShiftModifier), m.testFlag(Qt::ControlModifier),
            m.testFlag(Qt::AltModifier)};
  }

  bool UserPicksWindow() override { return true; }
  std::optional<DeviceBitmap> CopyPicked() override {
    QImage shot = Shot(true, kPickTimeoutMs);
    if (shot.isNull()) return std::nullopt;
    return BitmapOf(shot);
  }

  int FailureKey() override { return PortalMessageKey(last_); }

 private:
  // The whole desktop, every monitor, as the portal's shot holds it: its
  // top-left corner is the desktop's, wherever the primary monitor lies.
  static QSize ScreenSize() {
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return {};
    QRect desktop;
    for (QScreen* screen : primary->virtualSiblings()) {
      const QRect g = screen->geometry();
      desktop |=
          QRect(g.topLeft() * screen->devicePixelRatio(), g.size() * screen->devicePixelRatio());
    }
    return desktop.size();
  }

  QImage Shot(bool interactive, int timeoutMs) {
    QVariantMap results;
    last_ = portal_.Request("org.freedesktop.portal.Screenshot", "Screenshot", {QString()},
                            {{"interactive", interactive}, {"modal", true}}, timeoutMs, &results);
    if (last_ == PortalResult::kFailed && ShotRefused(last_, StoredPermission())) {
      last_ = PortalResult::kRefused;
    }
    if (last_ != PortalResult::kOk) return {};
    const QString path = QUrl(results.value("uri").toString()).toLocalFile();
    QImage shot(path);
    if (!path.isEmpty()) QFile::remove(path);
    if (shot.isNull()) last_ = PortalResult::kFailed;
    return shot;
  }

  // The user's answer to the desktop's question, kept in the portal's
  // permission store for programs outside a sandbox (app id "").
  std::vector<std::string> StoredPermission() {
    QDBusMessage lookup =
        QDBusMessage::createMethodCall("org.freedesktop.impl.portal.PermissionStore",
                                       "/org/freedesktop/impl/portal/PermissionStore",
                                       "org.freedesktop.impl.portal.PermissionStore", "Lookup");
    lookup.setArguments({QString("screenshot"), QString("screenshot")});
    QDBusMessage reply = portal_.Bus().call(lookup, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    const auto apps = qdbus_cast<QMap<QString, QStringList>>(reply.arguments().at(0));
    std::vector<std::string> values;
    for (const QString& v : apps.value(QString())) values.push_back(v.toStdString());
    return values;
  }

  PortalClient portal_;
  PortalResult last_ = PortalResult::kOk;
};

}  // namespace

std::unique_ptr<ScreenSource> OpenPortalSource(const std::string& service) {
  return std::make_unique<PortalSource>(service);
}

}  // namespace prentix
