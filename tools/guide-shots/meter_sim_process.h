// The meter simulator (movra-meter-sim) as a child of this tool: started with its options,
// plugged into the tool's device root, ended with the tool even when the tool is killed.
#pragma once
#include <QProcess>
#include <QString>
#include <QStringList>

namespace movra::shots {

class MeterSimProcess {
 public:
  explicit MeterSimProcess(QString program) : program_(std::move(program)) {}
  ~MeterSimProcess() { stop(); }
  // Starts it and waits for the device path it prints first; stops the build when it does
  // not come up in time.
  void start(const QStringList& args);
  void stop();

 private:
  QString program_;
  QProcess process_;
};

}  // namespace movra::shots
