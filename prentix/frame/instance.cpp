#include "prentix/frame/instance.h"

#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include "platform/paths.h"
#include "prentix/app/tracelog.h"

namespace prentix {

namespace {

constexpr int kConnectMs = 2000;
constexpr int kAnswerMs = 10000;  // the running one may be busy with a capture
constexpr qint64 kMaxRequest = 8192;

}  // namespace

QString ShowRequest() { return "show"; }
QString OpenRequest(const QString& path) { return "open " + QFileInfo(path).absoluteFilePath(); }
QString CommandRequest(int id) { return "command " + QString::number(id); }

QString InstanceSocketPath() {
  const std::string dir = platform::RuntimeDirectory();
  if (dir.empty()) return {};
  // a session is a display: a Prentix on a private X server (make run's
  // demonstration, a nested desktop) is one of its own
  QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
  if (display.isEmpty()) display = qEnvironmentVariable("DISPLAY");
  display.replace('/', '_');
  return QString::fromStdString(dir) + "/prentix" + (display.isEmpty() ? "" : "-" + display) +
         ".socket";
}

InstanceServer::InstanceServer(QObject* parent) : QObject(parent), server_(new QLocalServer(this)) {
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, &InstanceServer::Serve);
}

bool InstanceServer::HandOver(const QString& request) {
  const QString path = InstanceSocketPath();
  if (path.isEmpty()) return false;
  QLocalSocket socket;
  socket.connectToServer(path);
  if (!socket.waitForConnected(kConnectMs)) return false;
  socket.write((request + "\n").toUtf8());
  if (!socket.waitForBytesWritten(kConnectMs)) return false;
  // the answer comes once the running one has its window
  return socket.waitForReadyRead(kAnswerMs) && socket.readLine().startsWith("ok");
}

bool InstanceServer::Listen() {
  const QString path = InstanceSocketPath();
  if (path.isEmpty()) return true;  // nowhere to meet: each start on its own
  if (server_->listen(path)) return true;
  if (server_->serverError() != QAbstractSocket::AddressInUseError) {
    TraceLog("InstanceServer() %s\n", server_->errorString().toUtf8().data());
    return true;
  }
  // someone answers there, or a socket a crashed run left
  QLocalSocket probe;
  probe.connectToServer(path);
  if (probe.waitForConnected(kConnectMs)) return false;
  QLocalServer::removeServer(path);
  return server_->listen(path);
}

void InstanceServer::Serve() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxRequest) socket->abort();
        return;
      }
      const QString line = QString::fromUtf8(socket->readLine(kMaxRequest)).trimmed();
      socket->write("ok\n");
      socket->flush();
      if (line == "show") {
        emit Show();
      } else if (line.startsWith("open ")) {
        emit Open(line.mid(5));
      } else if (line.startsWith("command ")) {
        emit Command(line.mid(8).toInt());
      }
      socket->disconnectFromServer();
    });
  }
}

}  // namespace prentix
