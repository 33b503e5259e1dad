// The system player through ALSA: a missing device and the null device.
#include <gtest/gtest.h>

#include <chrono>

#include "comm/tone.h"
#include "usb_fixtures.h"

using namespace movra;
using movra::test::TraceCapture;

namespace {

// No such sound device: the tone is skipped at once (no hang) and the reason is traced,
// once however often it is asked for.
TEST(Tone, MissingSoundDeviceIsTracedNotFatal) {
  TraceCapture trace;
  auto player = MakeSystemTonePlayer("movra_no_such_pcm");
  auto start = std::chrono::steady_clock::now();
  player->Play(500, 150);
  player->Play(800, 150);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  std::string log = trace.text();
  size_t at = log.find(":PlayTone 500 Hz: sound device \"movra_no_such_pcm\": open failed: ");
  EXPECT_NE(at, std::string::npos) << log;
  EXPECT_EQ(log.find("PlayTone", at + 2), std::string::npos) << log;
}

// ALSA's null device takes samples like a card; a tone through it plays without complaint.
TEST(Tone, PlaysThroughAnAlsaDevice) {
  TraceCapture trace;
  auto player = MakeSystemTonePlayer("null");
  auto start = std::chrono::steady_clock::now();
  player->Play(800, 150);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(trace.text().find("PlayTone"), std::string::npos) << trace.text();
}

}  // namespace
