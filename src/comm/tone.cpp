#include "comm/tone.h"

#include <mutex>

namespace movra {

namespace {
std::mutex gPlayerMutex;
std::shared_ptr<TonePlayer> gPlayer;

constexpr uint32_t kLowHz = 500;
constexpr uint32_t kHighHz = 800;
constexpr uint32_t kStepMs = 150;
}  // namespace

std::shared_ptr<TonePlayer> SetTonePlayer(std::shared_ptr<TonePlayer> player) {
  std::lock_guard<std::mutex> lock(gPlayerMutex);
  std::shared_ptr<TonePlayer> old = std::move(gPlayer);
  gPlayer = std::move(player);
  return old;
}

std::shared_ptr<TonePlayer> CurrentTonePlayer() {
  std::lock_guard<std::mutex> lock(gPlayerMutex);
  // Made on first use, so a process that never beeps never opens the sound library.
  if (!gPlayer) gPlayer = MakeSystemTonePlayer();
  return gPlayer;
}

void PlayTone(uint32_t frequencyHz, uint32_t durationMs) {
  if (frequencyHz < kMinToneHz || frequencyHz > kMaxToneHz || durationMs == 0) return;
  CurrentTonePlayer()->Play(frequencyHz, durationMs);
}

void PlayDeviceTone(int direction) {
  // Rising for a device that came, falling for one that went.
  if (direction == kToneArrival) {
    PlayTone(kLowHz, kStepMs);
    PlayTone(kHighHz, kStepMs);
  } else if (direction == kToneRemoval) {
    PlayTone(kHighHz, kStepMs);
    PlayTone(kLowHz, kStepMs);
  }
}

}  // namespace movra
