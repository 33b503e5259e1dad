#include "meter_sim_process.h"

#include <signal.h>
#include <sys/prctl.h>

#include <QElapsedTimer>

#include "shot_error.h"

namespace movra::shots {

namespace {
constexpr int kStartLimitMs = 5000;
}

void MeterSimProcess::start(const QStringList& args) {
  process_.setProgram(program_);
  process_.setArguments(args);
  process_.setProcessChannelMode(QProcess::SeparateChannels);
  process_.setReadChannel(QProcess::StandardOutput);
  // A simulator left behind would keep its fake device plugged in for ever.
  process_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
  process_.start();
  if (!process_.waitForStarted(kStartLimitMs))
    throw ShotError("the meter simulator " + program_.toStdString() + " does not start: " +
                    process_.errorString().toStdString());
  QElapsedTimer clock;
  clock.start();
  while (!process_.canReadLine()) {
    if (process_.state() != QProcess::Running || clock.elapsed() > kStartLimitMs) {
      QString why = QString::fromLocal8Bit(process_.readAllStandardError()).trimmed();
      stop();
      throw ShotError("the meter simulator printed no device path (" + args.join(' ').toStdString() + ")" +
                      (why.isEmpty() ? std::string() : ": " + why.toStdString()));
    }
    process_.waitForReadyRead(100);
  }
}

void MeterSimProcess::stop() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(3000)) {
    process_.kill();
    process_.waitForFinished(1000);
  }
}

}  // namespace movra::shots
