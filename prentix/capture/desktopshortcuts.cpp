#include "prentix/capture/desktopshortcuts.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QKeySequence>
#include <tuple>

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
const char kKdeService[] = "org.kde.kglobalaccel";
const char kKdeComponent[] = "prentix";
// setShortcut's flags: SetPresent | NoAutoloading (the keys given, not
// ones the service remembers from an earlier start)
constexpr uint kKdeSetFlags = 2 | 4;
constexpr int kSessionTimeoutMs = 10000;
constexpr int kBindTimeoutMs = 120000;  // the desktop may ask the user

}  // namespace

DesktopShortcuts::DesktopShortcuts(QObject* parent)
    : QObject(parent), portal_(std::make_unique<PortalClient>()) {
  qDBusRegisterMetaType<Shortcut>();
  qDBusRegisterMetaType<QList<Shortcut>>();
}

DesktopShortcuts::~DesktopShortcuts() = default;

bool DesktopShortcuts::HasKdeService() {
  return portal_->Bus().interface() &&
         portal_->Bus().interface()->isServiceRegistered(kKdeService).value();
}

bool DesktopShortcuts::HasPortal() { return portal_->Offers(kInterface); }

int DesktopShortcuts::BindKde(const std::string& screenTrigger, const std::string& windowTrigger) {
  QDBusConnection& bus = portal_->Bus();
  int taken = 0;
  for (auto [id, description, trigger] : {std::tuple{"screen", "Print the screen", screenTrigger},
                                          {"window", "Print a window", windowTrigger}}) {
    const QKeySequence keys = QKeySequence::fromString(QString::fromStdString(trigger));
    if (keys.isEmpty()) continue;
    const QStringList action = {kKdeComponent, id, "Prentix", description};
    QDBusMessage call = QDBusMessage::createMethodCall(kKdeService, "/kglobalaccel",
                                                       "org.kde.KGlobalAccel", "doRegister");
    call.setArguments({action});
    bus.call(call, QDBus::Block, 5000);
    call = QDBusMessage::createMethodCall(kKdeService, "/kglobalaccel", "org.kde.KGlobalAccel",
                                          "setShortcut");
    call.setArguments(
        {action, QVariant::fromValue(QList<int>{keys[0].toCombined()}), kKdeSetFlags});
    // the keys it gave: none when another program holds the key
    QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    const auto given = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
                           ? qdbus_cast<QList<int>>(reply.arguments().at(0))
                           : QList<int>();
    if (!given.isEmpty() && given[0] != 0) ++taken;
  }
  bus.connect(kKdeService, QString("/component/") + kKdeComponent, "org.kde.kglobalaccel.Component",
              "globalShortcutPressed", this, SLOT(OnKdePressed(QString, QString, qlonglong)));
  TraceLog("DesktopShortcuts() KDE took: %d\n", taken);
  return taken;
}

void DesktopShortcuts::OnKdePressed(const QString& component, const QString& action, qlonglong) {
  if (component != kKdeComponent) return;
  if (action == "screen") emit Activated(cmd::kPrintScreen);
  if (action == "window") emit Activated(cmd::kPrintWindow);
}

bool DesktopShortcuts::BindPortal(const std::string& screenTrigger,
                                  const std::string& windowTrigger) {
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
  results.clear();
  r = portal_->Request(
      kInterface, "BindShortcuts",
      {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(keys), QString()}, {},
      kBindTimeoutMs, &results);
  // an answer without the keys bound has bound nothing
  const auto bound = r == PortalResult::kOk && results.contains("shortcuts")
                         ? qdbus_cast<QList<Shortcut>>(results.value("shortcuts")).size()
                         : 0;
  TraceLog("DesktopShortcuts() bound: %d\n", static_cast<int>(bound));
  return bound > 0;
}

void DesktopShortcuts::OnActivated(const QDBusObjectPath& session, const QString& id, qulonglong,
                                   const QVariantMap&) {
  if (session.path() != session_) return;
  if (id == "screen") emit Activated(cmd::kPrintScreen);
  if (id == "window") emit Activated(cmd::kPrintWindow);
}

}  // namespace prentix
