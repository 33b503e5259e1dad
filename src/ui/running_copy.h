// A second start of the program, as the same user, brings the running copy's window to
// the front instead of starting anew. The two meet on a channel named after the data
// folder, so copies with different data never meet: a local socket in the data folder
// here, a message-only window of the user's desktop on Windows.
#pragma once
#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <string>

namespace movra {

// The channel of the copy keeping its data in dataFolder (the folder of the lock file):
// the socket's path, or the window class's name on Windows.
QString RunningCopyChannel(const std::string& dataFolder);
// True when the channel exists but belongs to another user: that copy is not asked.
bool ChannelOfAnotherUser(const QString& channel);

// The running copy's side: calls raise(activationToken) on this thread for each request.
class RunningCopyServer {
 public:
  RunningCopyServer(const QString& channel, std::function<void(const QByteArray&)> raise);
  ~RunningCopyServer();
  RunningCopyServer(const RunningCopyServer&) = delete;
  RunningCopyServer& operator=(const RunningCopyServer&) = delete;
  bool listening() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The second start's side: true when the copy on the channel has come to the front and
// said so within timeoutMs. This start's right to the focus goes with the request (the
// activation token of a Wayland desktop; on Windows the running copy is allowed to take
// the foreground).
bool AskRunningCopyToRaise(const QString& channel, int timeoutMs);

}  // namespace movra
