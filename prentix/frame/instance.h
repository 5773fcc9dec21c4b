#pragma once
// One Prentix per user session: a later start hands its request to the
// running one over a local socket in the runtime folder and ends. Works
// the same on X11 and Wayland.

#include <QObject>
#include <QString>

class QLocalServer;

namespace prentix {

// The requests a start hands over, one line each.
QString ShowRequest();
QString OpenRequest(const QString& path);
QString CommandRequest(int id);

class InstanceServer : public QObject {
  Q_OBJECT
 public:
  explicit InstanceServer(QObject* parent = nullptr);

  // Hands the request to the running Prentix; true when one took it.
  static bool HandOver(const QString& request);
  // Becomes the running Prentix; false when another one is (or became) it.
  bool Listen();

 signals:
  void Show();
  void Open(const QString& path);
  void Command(int id);

 private:
  void Serve();
  QLocalServer* server_;
};

// Where the socket is (one a display): "" when there is no private runtime
// folder.
QString InstanceSocketPath();

}  // namespace prentix
