// Tones through the system's Beep, which plays the tone and returns when it has ended.
#include <atomic>

#include "app/trace.h"
#include "comm/tone.h"
// After the program's own headers: <windows.h> defines some of their names as macros.
#include "app/win32_strings.h"

namespace movra {

namespace {

class BeepPlayer : public TonePlayer {
 public:
  void Play(uint32_t frequencyHz, uint32_t durationMs) override {
    if (Beep(frequencyHz, durationMs)) return;
    // Said once: a machine without a speaker would fill the trace at every plug.
    if (!traced_.exchange(true)) BugMessage("Beep: " + SystemErrorText(GetLastError()) + "; no tones are played");
  }

 private:
  std::atomic<bool> traced_{false};
};

}  // namespace

// The system chooses the device.
std::shared_ptr<TonePlayer> MakeSystemTonePlayer(const std::string&) { return std::make_shared<BeepPlayer>(); }

}  // namespace movra
