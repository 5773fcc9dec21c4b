#pragma once
// The freedesktop desktop portal over the session bus. A portal call
// answers at once with a request object and later with that object's
// Response signal; Request() makes the call and waits for the answer,
// dispatching events meanwhile, as the capture commands do anyway.

#include <QDBusConnection>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include "prentix/app/waylandrules.h"

namespace prentix {

inline constexpr char kPortalService[] = "org.freedesktop.portal.Desktop";
inline constexpr char kPortalPath[] = "/org/freedesktop/portal/desktop";

class PortalClient {
 public:
  // The one connection is kept for every request: a request's answer goes
  // to the unique name that asked.
  explicit PortalClient(QString service = kPortalService,
                        QDBusConnection bus = QDBusConnection::sessionBus());

  // Calls interface.method(args..., options + handle_token) and waits up to
  // timeoutMs for the response (a negative time: as long as the portal is
  // there, for a desktop that asks the user first); its results on success.
  PortalResult Request(const QString& interface, const QString& method, QVariantList args,
                       QVariantMap options, int timeoutMs, QVariantMap* results);
  // Whether the portal has this interface (its version can be read).
  bool Offers(const QString& interface);

  QDBusConnection& Bus() { return bus_; }
  const QString& Service() const { return service_; }

 private:
  QString service_;
  QDBusConnection bus_;
  int tokens_ = 0;
};

}  // namespace prentix
