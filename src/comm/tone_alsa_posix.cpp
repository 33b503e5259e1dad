// Tones through ALSA. The PCM is opened non-blocking and every wait has a deadline, so a
// missing, busy or stuck sound device costs at most a moment of the GUI thread.
#include <alsa/asoundlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <numbers>
#include <thread>
#include <vector>

#include "app/trace.h"
#include "comm/tone.h"

namespace movra {

namespace {

constexpr unsigned kRate = 48000;
constexpr unsigned kLatencyUs = 50000;
constexpr double kAmplitude = 0.3 * 32767;
constexpr unsigned kFadeMs = 5;  // soft edges, no click
// Beyond the tone itself, how long a device may take before we stop waiting for it.
constexpr auto kGrace = std::chrono::milliseconds(500);

// ALSA prints its complaints to stderr by default; keep the last one for our trace instead.
thread_local std::string tLastAlsaError;

void collectAlsaError(const char* file, int line, const char* function, int err, const char* fmt, ...) {
  (void)file;
  (void)line;
  (void)function;
  (void)err;
  char buf[512];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  tLastAlsaError = buf;
}

std::vector<int16_t> sineSamples(uint32_t frequencyHz, uint32_t durationMs) {
  size_t n = static_cast<size_t>(kRate) * durationMs / 1000;
  size_t fade = std::min<size_t>(static_cast<size_t>(kRate) * kFadeMs / 1000, n / 2);
  std::vector<int16_t> samples(n);
  for (size_t i = 0; i < n; ++i) {
    double gain = 1.0;
    if (fade && i < fade) gain = double(i) / fade;
    if (fade && n - 1 - i < fade) gain = double(n - 1 - i) / fade;
    double phase = 2 * std::numbers::pi * frequencyHz * double(i) / kRate;
    samples[i] = static_cast<int16_t>(std::lround(kAmplitude * gain * std::sin(phase)));
  }
  return samples;
}

class AlsaTonePlayer : public TonePlayer {
 public:
  explicit AlsaTonePlayer(std::string device) : device_(device.empty() ? "default" : std::move(device)) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { snd_lib_error_set_handler(collectAlsaError); });
  }

  void Play(uint32_t frequencyHz, uint32_t durationMs) override {
    std::string why = playOnce(frequencyHz, durationMs);
    std::lock_guard<std::mutex> lock(mutex_);
    // One trace line per new reason: a missing card would otherwise log every beep.
    if (!why.empty() && why != lastFailure_) BugMessage("PlayTone " + std::to_string(frequencyHz) + " Hz: " + why);
    lastFailure_ = why;
  }

 private:
  std::string failure(const char* step, int err) {
    std::string text = "sound device \"" + device_ + "\": " + step + " failed: " + snd_strerror(err);
    if (!tLastAlsaError.empty()) text += " (" + tLastAlsaError + ")";
    return text;
  }

  // Empty when the tone played, otherwise why it did not.
  std::string playOnce(uint32_t frequencyHz, uint32_t durationMs) {
    tLastAlsaError.clear();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(durationMs) + kGrace;
    snd_pcm_t* pcm = nullptr;
    int err = snd_pcm_open(&pcm, device_.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (err < 0) return failure("open", err);
    std::string why;
    err = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1, kRate, 1, kLatencyUs);
    if (err < 0) {
      why = failure("set up", err);
    } else {
      std::vector<int16_t> samples = sineSamples(frequencyHz, durationMs);
      why = write(pcm, samples, deadline);
      if (why.empty()) waitPlayed(pcm, deadline);
    }
    snd_pcm_drop(pcm);
    snd_pcm_close(pcm);
    return why;
  }

  std::string write(snd_pcm_t* pcm, const std::vector<int16_t>& samples,
                    std::chrono::steady_clock::time_point deadline) {
    size_t done = 0;
    while (done < samples.size()) {
      if (std::chrono::steady_clock::now() >= deadline) return "sound device \"" + device_ + "\" does not play";
      snd_pcm_sframes_t n = snd_pcm_writei(pcm, samples.data() + done, samples.size() - done);
      if (n == -EAGAIN) {
        snd_pcm_wait(pcm, 20);
      } else if (n < 0) {
        int err = snd_pcm_recover(pcm, static_cast<int>(n), 1);
        if (err < 0) return failure("write", err);
      } else {
        done += static_cast<size_t>(n);
      }
    }
    return {};
  }

  // The tone is shorter than the start threshold, so start the stream by hand, then wait
  // until the device has played what it holds.
  void waitPlayed(snd_pcm_t* pcm, std::chrono::steady_clock::time_point deadline) {
    if (snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED) snd_pcm_start(pcm);
    while (std::chrono::steady_clock::now() < deadline) {
      if (snd_pcm_state(pcm) != SND_PCM_STATE_RUNNING) return;
      snd_pcm_sframes_t delay = 0;
      if (snd_pcm_delay(pcm, &delay) < 0 || delay <= 0) return;
      auto left = std::chrono::microseconds(int64_t(delay) * 1000000 / kRate);
      std::this_thread::sleep_for(std::min<std::chrono::microseconds>(left, std::chrono::milliseconds(20)));
    }
  }

  const std::string device_;
  std::mutex mutex_;
  std::string lastFailure_;
};

}  // namespace

std::shared_ptr<TonePlayer> MakeSystemTonePlayer(const std::string& deviceName) {
  return std::make_shared<AlsaTonePlayer>(deviceName);
}

}  // namespace movra
