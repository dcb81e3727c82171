#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

namespace lw {

// The token every copy of the program derives its single-instance names from.
inline constexpr const char* kInstanceToken = "TALVERN-Ledgerwake v2.0";

// At most one running copy per user: the first copy holds a lock file and listens on a
// local socket, both named from the token and the user; a later copy finds the lock taken,
// asks the first over the socket to come to the front, and ends.
//
// The names carry the user id, so copies of different users never meet. The environment
// variable LW_INSTANCE_SUFFIX, when set, is added to the names: tests use it to run beside a
// copy of the program that the user has open.
class TSingleInstance : public QObject {
  Q_OBJECT
 public:
  explicit TSingleInstance(const QString& token = QString::fromLatin1(kInstanceToken),
                           QObject* parent = nullptr);
  ~TSingleInstance() override;

  // True when this process is the first copy: it now holds the lock and takes requests.
  // A lock left behind by a copy that died is taken over.
  bool Claim();
  bool Claimed() const { return FServer != nullptr; }
  // Asks the running copy to come to the front; true when it confirmed within the time.
  bool ActivateRunning(int timeoutMs = 3000);

  const QString& ServerName() const { return FServerName; }
  const QString& LockPath() const { return FLockPath; }

 signals:
  // Another copy was started and asked this one to show itself.
  void ActivationRequested();

 private:
  void Serve();

  QString FServerName;
  QString FLockPath;
  std::unique_ptr<QLockFile> FLock;
  QLocalServer* FServer = nullptr;
};

}  // namespace lw
