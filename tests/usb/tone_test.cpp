#include <gtest/gtest.h>

#include "comm/tone.h"
#include "usb_fixtures.h"

using namespace movra;
using movra::test::ScopedTonePlayer;
using Tones = std::vector<std::pair<uint32_t, uint32_t>>;

namespace {

TEST(Tone, DeviceToneOrder) {
  const std::pair<int, Tones> cases[] = {
      {0, {{500, 150}, {800, 150}}},
      {1, {{800, 150}, {500, 150}}},
      {2, {}},
      {-1, {}},
  };
  for (const auto& [direction, want] : cases) {
    ScopedTonePlayer player;
    PlayDeviceTone(direction);
    EXPECT_EQ(player->played(), want) << "direction " << direction;
  }
}

TEST(Tone, OnlyAudibleTonesReachThePlayer) {
  ScopedTonePlayer player;
  PlayTone(36, 100);
  PlayTone(37, 100);
  PlayTone(32767, 100);
  PlayTone(32768, 100);
  PlayTone(440, 0);
  EXPECT_EQ(player->played(), (Tones{{37, 100}, {32767, 100}}));
}

}  // namespace
