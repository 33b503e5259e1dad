// The Download command: every port of the plan is read at each speed of the plan in turn
// (4800, then 9600 baud), one transfer at a time, on a thread of its own. Each record is
// handed to the keeper before the meter hears it acknowledged; the listener hears what
// happens. The window and movra-cli both run their downloads through this.
#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/messages.h"
#include "comm/byte_transport.h"
#include "download/download_keeper.h"
#include "download/download_listener.h"

namespace movra {

class CHBMeter;

struct DownloadPlan {
  // "COM<n>" as the port list gives them, or device paths, in the order to read them.
  std::vector<std::string> ports;
  std::vector<int> speeds{4800, 9600};
  // The line to each port; empty for the serial port (tests put a meter in memory here).
  std::function<std::unique_ptr<ByteTransport>(const std::string& port)> transportFor;
};

class Downloader {
 public:
  // The keeper and the listener are called on the thread that calls Start, which must run
  // a dispatcher (the window's, or an EventLoop); both must outlive the command.
  Downloader(DownloadKeeper& keeper, DownloadListener& listener);
  // Stops a running command and waits for its thread.
  ~Downloader();
  Downloader(const Downloader&) = delete;
  Downloader& operator=(const Downloader&) = delete;

  // Starts the command and returns at once; false while one is still running.
  bool Start(DownloadPlan plan);
  // Ends the command early, from any thread: the transfer in hand stops after its record
  // in hand, every acknowledged record is stored, and the command ends as stopped.
  void Stop();
  // True from Start until the listener has heard the command's end.
  bool Running() const { return running_.load(); }

 private:
  struct Shared;
  struct TransferTally;
  void Run(DownloadPlan plan);
  // The meter component for one transfer, its keeper set.
  std::unique_ptr<CHBMeter> MakeMeter(const DownloadPlan& plan, const std::string& entry,
                                      const std::shared_ptr<TransferTally>& tally);
  // One transfer; false when the port did not open (failure and why say why).
  bool ReadPort(const DownloadPlan& plan, const std::string& entry, int baud, bool& answered, std::string& failure,
                TransportOpenFailure& why);
  // Runs onOwner on the owner thread, unless the Downloader is gone by then; false when the
  // owner's loop no longer takes work.
  bool Tell(std::function<void()> onOwner);
  // Passes what the transfer has to tell to the listener.
  void TellNotices(CHBMeter& meter);

  DownloadKeeper& keeper_;
  DownloadListener& listener_;
  std::shared_ptr<Dispatcher> owner_;
  std::shared_ptr<Shared> shared_;
  std::thread thread_;
  std::atomic<bool> running_{false};
  DownloadResult result_;  // owner thread only
};

}  // namespace movra
