#include "SingleInstance.h"

#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QThread>

namespace lw {

namespace {

constexpr char kActivate[] = "activate\n";
constexpr char kDone[] = "ok\n";

// Socket and lock names allow no blanks or path characters.
QString SafeName(const QString& text) {
  QString out;
  for (QChar c : text)
    out += (c.isLetterOrNumber() || c == QLatin1Char('.')) ? c : QLatin1Char('-');
  return out;
}

QString InstanceDir() {
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QDir(QString::fromLocal8Bit(runtime)).exists())
    return QString::fromLocal8Bit(runtime);
  return QDir::tempPath();
}

}  // namespace

TSingleInstance::TSingleInstance(const QString& token, QObject* parent) : QObject(parent) {
  QString name = SafeName(token) + QStringLiteral("-u") + QString::number(::getuid());
  const QByteArray suffix = qgetenv("LW_INSTANCE_SUFFIX");
  if (!suffix.isEmpty()) name += QLatin1Char('-') + SafeName(QString::fromLocal8Bit(suffix));
  const QString dir = InstanceDir();
  FServerName = dir + QLatin1Char('/') + name + QStringLiteral(".sock");
  FLockPath = dir + QLatin1Char('/') + name + QStringLiteral(".lock");
}

TSingleInstance::~TSingleInstance() {
  if (FServer) {
    FServer->close();
    QLocalServer::removeServer(FServerName);
  }
  if (FLock) FLock->unlock();
}

bool TSingleInstance::Claim() {
  if (FServer) return true;
  auto lock = std::make_unique<QLockFile>(FLockPath);
  // Only a lock whose process is gone counts as stale, however old it is.
  lock->setStaleLockTime(0);
  if (!lock->tryLock(0)) return false;
  FLock = std::move(lock);
  // The lock is ours, so a socket file still there belongs to a copy that died.
  QLocalServer::removeServer(FServerName);
  FServer = new QLocalServer(this);
  FServer->setSocketOptions(QLocalServer::UserAccessOption);
  if (!FServer->listen(FServerName)) {
    // Still the only copy; a second start just cannot reach this one.
    qWarning("Ledgerwake: cannot listen on %s: %s", qPrintable(FServerName),
             qPrintable(FServer->errorString()));
  }
  connect(FServer, &QLocalServer::newConnection, this, &TSingleInstance::Serve);
  return true;
}

void TSingleInstance::Serve() {
  while (QLocalSocket* peer = FServer->nextPendingConnection()) {
    connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
    connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
      if (!peer->canReadLine()) return;
      const QByteArray request = peer->readLine();
      if (request == kActivate) {
        emit ActivationRequested();
        peer->write(kDone);
        peer->flush();
      }
      peer->disconnectFromServer();
    });
  }
}

bool TSingleInstance::ActivateRunning(int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  // The first copy may still be starting: its lock is taken before it listens.
  while (clock.elapsed() < timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(FServerName);
    if (socket.waitForConnected(std::max<int>(1, timeoutMs - static_cast<int>(clock.elapsed())))) {
      socket.write(kActivate);
      if (!socket.waitForBytesWritten(timeoutMs)) return false;
      while (!socket.canReadLine() && clock.elapsed() < timeoutMs)
        if (!socket.waitForReadyRead(
                std::max<int>(1, timeoutMs - static_cast<int>(clock.elapsed()))))
          break;
      return socket.canReadLine() && socket.readLine() == kDone;
    }
    QThread::msleep(50);
  }
  return false;
}

}  // namespace lw
