// Device arrival and removal: every entry created in <root>/dev is an arrival, every entry
// deleted there a removal, whatever the device. Each one reaches the owner as the message
// MessageId::DeviceChange with wParam DeviceEvent::Arrival or DeviceEvent::Removal, posted
// to the target the owner gives, so it is handled on the owner's thread.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/messages.h"

namespace movra {

// The watching itself, on its own thread (device_watcher_posix.cpp).
class DeviceWatcherBackend {
 public:
  using ChangeFn = std::function<void(DeviceEvent event)>;  // called on the watching thread
  virtual ~DeviceWatcherBackend() = default;            // stops and joins the thread
  virtual bool Watching() const = 0;
  // Never fails: when the folder cannot be watched now, it watches for it to appear, and
  // when even that is impossible it traces why and reports nothing.
  static std::unique_ptr<DeviceWatcherBackend> Start(const std::string& devDir, ChangeFn onChange);
};

class DeviceWatcher {
 public:
  // Starts watching devDir (the device root's dev/ by default). A folder that does not
  // exist yet is watched from the moment it appears; entries found in it then count as
  // arrivals.
  explicit DeviceWatcher(MessageTarget::Handle target, const std::string& devDir = std::string());
  // Stops the watching thread before returning; nothing is posted afterwards.
  ~DeviceWatcher();
  DeviceWatcher(const DeviceWatcher&) = delete;
  DeviceWatcher& operator=(const DeviceWatcher&) = delete;

  const std::string& DevDir() const { return devDir_; }
  // True while the folder itself is watched (false while waiting for it to appear).
  bool Watching() const;

 private:
  std::string devDir_;
  std::unique_ptr<DeviceWatcherBackend> backend_;
};

}  // namespace movra
