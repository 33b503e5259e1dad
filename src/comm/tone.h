// The signal tones of device arrival and removal. The sound goes through a replaceable
// player: the sound card's by default, a recording one in tests.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace movra {

class TonePlayer {
 public:
  virtual ~TonePlayer() = default;
  // Plays one sine tone and returns when it has ended; returns at once when it cannot play.
  virtual void Play(uint32_t frequencyHz, uint32_t durationMs) = 0;
};

// The player of the sound card (the platform file); an empty device name means the
// system's default device. Without a usable device it plays nothing and traces why.
std::shared_ptr<TonePlayer> MakeSystemTonePlayer(const std::string& deviceName = std::string());

// Installs the player for the whole process and returns the previous one; null restores
// the system player.
std::shared_ptr<TonePlayer> SetTonePlayer(std::shared_ptr<TonePlayer> player);
std::shared_ptr<TonePlayer> CurrentTonePlayer();

// The tone range a PC speaker can give.
constexpr uint32_t kMinToneHz = 37;
constexpr uint32_t kMaxToneHz = 32767;

// One tone; returns when it has ended. Frequencies outside 37..32767 Hz and a zero
// duration play nothing.
void PlayTone(uint32_t frequencyHz, uint32_t durationMs);

constexpr int kToneArrival = 0;
constexpr int kToneRemoval = 1;
// Arrival (0): 500 Hz then 800 Hz; removal (1): 800 Hz then 500 Hz; 150 ms each. Any other
// direction plays nothing.
void PlayDeviceTone(int direction);

}  // namespace movra
