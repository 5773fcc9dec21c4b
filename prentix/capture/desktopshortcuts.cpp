#include "prentix/capture/desktopshortcuts.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>

#include "prentix/app/commands.h"
#include "prentix/app/tracelog.h"
#include "prentix/capture/portal.h"

namespace {

// One entry of BindShortcuts' a(sa{sv}).
struct Shortcut {
  QString id;
  QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& a, const Shortcut& s) {
  a.beginStructure();
  a << s.id << s.properties;
  a.endStructure();
  return a;
}

const QDBusArgument& operator>>(const QDBusArgument& a, Shortcut& s) {
  a.beginStructure();
  a >> s.id >> s.properties;
  a.endStructure();
  return a;
}

}  // namespace

Q_DECLARE_METATYPE(Shortcut)

namespace prentix {

namespace {

const char kInterface[] = "org.freedesktop.portal.GlobalShortcuts";
constexpr int kSessionTimeoutMs = 10000;
constexpr int kBindTimeoutMs = 120000;  // the desktop may ask the user

}  // namespace

DesktopShortcuts::DesktopShortcuts(QObject* parent)
    : QObject(parent), portal_(std::make_unique<PortalClient>()) {
  qDBusRegisterMetaType<Shortcut>();
  qDBusRegisterMetaType<QList<Shortcut>>();
}

DesktopShortcuts::~DesktopShortcuts() = default;

bool DesktopShortcuts::Bind(const std::string& screenTrigger, const std::string& windowTrigger) {
  if (!portal_->Offers(kInterface)) return false;
  QVariantMap results;
  PortalResult r =
      portal_->Request(kInterface, "CreateSession", {}, {{"session_handle_token", "prentix"}},
                       kSessionTimeoutMs, &results);
  session_ = results.value("session_handle").toString();
  if (r != PortalResult::kOk || session_.isEmpty()) {
    TraceLog("DesktopShortcuts() no session\n");
    return false;
  }
  auto shortcut = [](const char* id, const char* description, const std::string& trigger) {
    QVariantMap p{{"description", description}};
    if (!trigger.empty()) p["preferred_trigger"] = QString::fromStdString(trigger);
    return Shortcut{id, p};
  };
  QList<Shortcut> keys = {shortcut("screen", "Print the screen", screenTrigger),
                          shortcut("window", "Print a window", windowTrigger)};
  portal_->Bus().connect(portal_->Service(), kPortalPath, kInterface, "Activated", this,
                         SLOT(OnActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
  r = portal_->Request(
      kInterface, "BindShortcuts",
      {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(keys), QString()}, {},
      kBindTimeoutMs, nullptr);
  TraceLog("DesktopShortcuts() bound: %d\n", r == PortalResult::kOk);
  return r == PortalResult::kOk;
}

void DesktopShortcuts::OnActivated(const QDBusObjectPath& session, const QString& id, qulonglong,
                                   const QVariantMap&) {
  if (session.path() != session_) return;
  if (id == "screen") emit Activated(cmd::kPrintScreen);
  if (id == "window") emit Activated(cmd::kPrintWindow);
}

}  // namespace prentix
