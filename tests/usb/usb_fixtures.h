// Fakes for what cannot exist here: a sysfs/dev tree of USB serial adapters under a test
// folder, the debug trace in a test folder, and a tone player that only records.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "comm/tone.h"
#include "temp_dir.h"

namespace movra::test {

// A device root with sys/ and dev/ as the kernel lays them out for USB serial adapters.
class FakeDeviceRoot {
 public:
  FakeDeviceRoot();
  ~FakeDeviceRoot();  // restores MOVRA_DEVICE_ROOT
  const std::string& path() const { return dir_.path(); }
  const TempDir& dir() const { return dir_; }

  // A usb-serial port (ttyUSB<k>): class link -> .../<usb>/<usb>:1.0/<tty>/tty/<tty>,
  // whose device link -> ../../../<tty>; <usb> holds product, idVendor, idProduct.
  void addUsbSerial(const std::string& tty, const std::string& product, const std::string& usb);
  // A CDC-ACM port: the device link points straight at the interface folder.
  void addAcm(const std::string& tty, const std::string& product, const std::string& usb);
  // A tty of a device with no USB device (no product file) up its chain.
  void addPlatformTty(const std::string& tty);
  // The folder of the usb-serial port's USB device, below root.
  static std::string usbFolder(const std::string& usb);
  void symlink(const std::string& target, const std::string& rel) const;

 private:
  TempDir dir_;
  std::string oldRoot_;
  bool hadRoot_ = false;
};

// Opens the debug trace in a test folder and closes it at the end.
class TraceCapture {
 public:
  TraceCapture();
  ~TraceCapture();
  std::string text() const;

 private:
  TempDir dir_;
};

class RecordingTonePlayer : public TonePlayer {
 public:
  void Play(uint32_t frequencyHz, uint32_t durationMs) override;
  std::vector<std::pair<uint32_t, uint32_t>> played() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::pair<uint32_t, uint32_t>> played_;
};

// Installs a RecordingTonePlayer for the life of the guard.
class ScopedTonePlayer {
 public:
  ScopedTonePlayer();
  ~ScopedTonePlayer();
  RecordingTonePlayer& operator*() { return *p_; }
  RecordingTonePlayer* operator->() { return p_.get(); }

 private:
  std::shared_ptr<RecordingTonePlayer> p_;
  std::shared_ptr<TonePlayer> old_;
};

}  // namespace movra::test
