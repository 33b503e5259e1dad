#include <QElapsedTimer>
#include <QProcess>
#include <memory>

#include "ui/guide_opener.h"

namespace movra {

namespace {
// An opener that fails later than this has opened the guide: its status is then the
// viewer's own (some openers wait for the viewer to close).
constexpr qint64 kOpenerAnswerMs = 10000;
}  // namespace

void OpenGuide(QObject* owner, const QStringList& openCommand, const QString& path, std::function<void()> notOpened) {
  // The desktop's open command starts at once; whether a program could show the guide is
  // known only from its exit status, which arrives while the window goes on working.
  auto* opener = new QProcess(owner);
  opener->setStandardOutputFile(QProcess::nullDevice());
  opener->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  auto started = std::make_shared<QElapsedTimer>();
  started->start();
  QObject::connect(opener, &QProcess::finished, owner,
                   [opener, notOpened, started](int code, QProcess::ExitStatus status) {
                     opener->deleteLater();
                     if ((status != QProcess::NormalExit || code != 0) && started->elapsed() < kOpenerAnswerMs)
                       notOpened();
                   });
  QObject::connect(opener, &QProcess::errorOccurred, owner, [opener, notOpened](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    opener->deleteLater();
    notOpened();
  });
  opener->start(openCommand.front(), openCommand.mid(1) << path);
}

}  // namespace movra
