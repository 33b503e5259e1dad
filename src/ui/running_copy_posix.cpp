#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include "ui/running_copy.h"

namespace movra {

namespace {
// One line each way: the request with the activation token, then the answer.
constexpr char kRequest[] = "raise ";
constexpr char kAnswer[] = "raised\n";
constexpr int kLineLimit = 4096;
}  // namespace

QString RunningCopyChannel(const std::string& dataFolder) {
  // Beside the lock, in the user's own data folder, when the path fits a socket's address;
  // else in the user's runtime folder, named after the data folder.
  QString beside = QString::fromStdString(dataFolder) + "/MovraT.sock";
  if (beside.toLocal8Bit().size() < qsizetype(sizeof(sockaddr_un::sun_path))) return beside;
  QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(dataFolder), QCryptographicHash::Sha1).toHex();
  QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (runtime.isEmpty() || !QDir::isAbsolutePath(runtime)) runtime = QDir::tempPath();
  return runtime + "/movra-" + QString::number(getuid()) + "-" + QString::fromLatin1(hash.left(16)) + ".sock";
}

bool ChannelOfAnotherUser(const QString& channel) {
  struct stat st {};
  if (lstat(channel.toLocal8Bit().constData(), &st) != 0) return false;
  return st.st_uid != geteuid();
}

struct RunningCopyServer::Impl {
  QLocalServer server;
  std::function<void(const QByteArray&)> raise;

  void serve(QLocalSocket* s) {
    if (!s->canReadLine()) {
      if (s->bytesAvailable() > kLineLimit) s->abort();
      return;
    }
    QByteArray line = s->readLine(kLineLimit);
    if (!line.startsWith(kRequest)) {
      s->abort();
      return;
    }
    raise(line.mid(qsizetype(sizeof kRequest) - 1).trimmed());
    s->write(kAnswer);
    s->disconnectFromServer();
  }
};

RunningCopyServer::RunningCopyServer(const QString& channel, std::function<void(const QByteArray&)> raise)
    : impl_(std::make_unique<Impl>()) {
  impl_->raise = std::move(raise);
  // This copy holds the database's lock: a socket left by a copy that ended abnormally is
  // its own to remove.
  QLocalServer::removeServer(channel);
  impl_->server.setSocketOptions(QLocalServer::UserAccessOption);
  if (!impl_->server.listen(channel)) return;
  Impl* impl = impl_.get();
  QObject::connect(&impl->server, &QLocalServer::newConnection, &impl->server, [impl] {
    while (QLocalSocket* s = impl->server.nextPendingConnection()) {
      QObject::connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
      QObject::connect(s, &QLocalSocket::readyRead, s, [impl, s] { impl->serve(s); });
    }
  });
}

RunningCopyServer::~RunningCopyServer() = default;

bool RunningCopyServer::listening() const { return impl_->server.isListening(); }

bool AskRunningCopyToRaise(const QString& channel, int timeoutMs) {
  if (ChannelOfAnotherUser(channel)) return false;
  QDeadlineTimer deadline(timeoutMs);
  QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
  // A copy that has just taken the lock opens its channel a moment later.
  while (!deadline.hasExpired()) {
    QLocalSocket s;
    s.connectToServer(channel);
    if (!s.waitForConnected(int(deadline.remainingTime()))) {
      QThread::msleep(100);
      continue;
    }
    s.write(kRequest + token + "\n");
    if (!s.waitForBytesWritten(int(deadline.remainingTime()))) return false;
    while (!s.canReadLine() && s.waitForReadyRead(int(deadline.remainingTime()))) {
    }
    return s.canReadLine() && s.readLine(kLineLimit) == kAnswer;
  }
  return false;
}

}  // namespace movra
