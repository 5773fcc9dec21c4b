#include "prentix/capture/portal.h"

#include <unistd.h>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace prentix {

namespace {

const char kRequestInterface[] = "org.freedesktop.portal.Request";

class ResponseWaiter : public QObject {
  Q_OBJECT
 public:
  bool done = false;
  uint code = 2;
  QVariantMap results;

 public slots:
  void Response(uint c, const QVariantMap& r) {
    if (done) return;
    done = true;
    code = c;
    results = r;
    emit Answered();
  }

 signals:
  void Answered();
};

// A missing portal, or one without the interface, is not a failed shot.
PortalResult CallError(const QDBusMessage& reply) {
  static const QStringList missing = {
      "org.freedesktop.DBus.Error.ServiceUnknown", "org.freedesktop.DBus.Error.NameHasNoOwner",
      "org.freedesktop.DBus.Error.UnknownMethod",  "org.freedesktop.DBus.Error.UnknownInterface",
      "org.freedesktop.DBus.Error.UnknownObject",  "org.freedesktop.DBus.Error.Disconnected"};
  if (missing.contains(reply.errorName())) return PortalResult::kNoPortal;
  if (reply.errorName() == "org.freedesktop.DBus.Error.NoReply" ||
      reply.errorName() == "org.freedesktop.DBus.Error.Timeout")
    return PortalResult::kTimedOut;
  return PortalResult::kFailed;
}

}  // namespace

PortalClient::PortalClient(QString service, QDBusConnection bus)
    : service_(std::move(service)), bus_(std::move(bus)) {}

PortalResult PortalClient::Request(const QString& interface, const QString& method,
                                   QVariantList args, QVariantMap options, int timeoutMs,
                                   QVariantMap* results) {
  if (!bus_.isConnected()) return PortalResult::kNoPortal;
  QElapsedTimer clock;
  clock.start();
  // unique within the process and across processes of the same name
  const QString token = QString("prentix%1_%2").arg(getpid()).arg(++tokens_);
  QString path = QString::fromStdString(
      PortalRequestPath(bus_.baseService().toStdString(), token.toStdString()));
  ResponseWaiter waiter;
  // subscribed before the call: the answer may come before the call returns
  bus_.connect(service_, path, kRequestInterface, "Response", &waiter,
               SLOT(Response(uint, QVariantMap)));
  options["handle_token"] = token;
  args << options;
  QDBusMessage call = QDBusMessage::createMethodCall(service_, kPortalPath, interface, method);
  call.setArguments(args);
  // the call itself answers at once; the bus's own limit for a wait without one
  QDBusMessage reply = bus_.call(call, QDBus::Block, std::max(timeoutMs, -1));
  PortalResult result = PortalResult::kOk;
  if (reply.type() != QDBusMessage::ReplyMessage) {
    result = CallError(reply);
  } else {
    // portals older than handle_token choose the path themselves
    QString handle = reply.arguments().value(0).value<QDBusObjectPath>().path();
    if (!handle.isEmpty() && handle != path) {
      bus_.disconnect(service_, path, kRequestInterface, "Response", &waiter,
                      SLOT(Response(uint, QVariantMap)));
      path = handle;
      bus_.connect(service_, path, kRequestInterface, "Response", &waiter,
                   SLOT(Response(uint, QVariantMap)));
    }
    bool ended = false;
    if (!waiter.done) {
      QEventLoop loop;
      QTimer timer;
      timer.setSingleShot(true);
      QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
      QObject::connect(&waiter, &ResponseWaiter::Answered, &loop, &QEventLoop::quit);
      // a portal that ends answers nothing more
      QDBusServiceWatcher gone(service_, bus_, QDBusServiceWatcher::WatchForUnregistration);
      QObject::connect(&gone, &QDBusServiceWatcher::serviceUnregistered, &loop, [&] {
        ended = true;
        loop.quit();
      });
      if (timeoutMs >= 0) timer.start(std::max<qint64>(0, timeoutMs - clock.elapsed()));
      loop.exec();
    }
    if (!waiter.done) {
      // the desktop may still be asking the user: that question goes away
      bus_.asyncCall(QDBusMessage::createMethodCall(service_, path, kRequestInterface, "Close"));
      result = ended ? PortalResult::kFailed : PortalResult::kTimedOut;
    } else {
      result = PortalResponse(waiter.code);
      if (results) *results = waiter.results;
    }
  }
  bus_.disconnect(service_, path, kRequestInterface, "Response", &waiter,
                  SLOT(Response(uint, QVariantMap)));
  return result;
}

bool PortalClient::Offers(const QString& interface) {
  if (!bus_.isConnected()) return false;
  QDBusMessage get = QDBusMessage::createMethodCall(service_, kPortalPath,
                                                    "org.freedesktop.DBus.Properties", "Get");
  get.setArguments({interface, QString("version")});
  return bus_.call(get, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
}

}  // namespace prentix

#include "portal.moc"
