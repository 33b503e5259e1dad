#include <gtest/gtest.h>

#include "meter/frame_cutter.h"
#include "meter_test_support.h"

using namespace movra;
using movra::test::ExamplePayload17;
using movra::test::Hex;
using movra::test::RecordFrame;
using movra::test::ToHex;

namespace {

std::string Frame27(uint8_t number = 5) {
  std::string p = ExamplePayload17();
  p[0] = static_cast<char>(number);
  return RecordFrame(p);
}

struct CutCase {
  const char* name;
  std::vector<std::string> chunks;
  // frames that must have been cut after each chunk, counted from the start
  std::vector<size_t> framesAfterChunk;
  std::vector<std::string> frames;
  std::string buffer;
  CutStop stop;
};

TEST(FrameCutter, Cases) {
  std::string f = Frame27(5);
  std::string g = Frame27(6);
  std::string damaged = Hex("26 50 5A 00 00 00 11") + std::string(19, '\x01') + Hex("41");
  const CutCase cases[] = {
      {"carriage returns, then a frame", {Hex("0D 0D"), f}, {0, 1}, {f}, "", CutStop::NoFrameStart},
      {"a frame over three chunks", {f.substr(0, 5), f.substr(5, 10), f.substr(15)}, {0, 0, 1}, {f}, "",
       CutStop::NoFrameStart},
      {"two frames in one chunk", {f + g}, {2}, {f, g}, "", CutStop::NoFrameStart},
      {"damaged frame", {damaged}, {0}, {}, damaged, CutStop::Damaged},
      {"damaged frame stops cutting for good", {damaged, f, g}, {0, 0, 0}, {}, damaged + f + g, CutStop::Damaged},
      {"noise before a frame stays", {Hex("78 79") + f}, {1}, {f}, Hex("78 79"), CutStop::NoFrameStart},
      {"noise stays behind later frames too", {Hex("78 79") + f, g}, {1, 2}, {f, g}, Hex("78 79"),
       CutStop::NoFrameStart},
      {"header only", {f.substr(0, 7)}, {0}, {}, f.substr(0, 7), CutStop::Incomplete},
      {"length byte without a byte after it", {f.substr(0, 6), f.substr(6, 1)}, {0, 0}, {}, f.substr(0, 7),
       CutStop::Incomplete},
      {"one byte short", {f.substr(0, 26)}, {0}, {}, f.substr(0, 26), CutStop::Incomplete},
      {"empty payload", {Hex("26 50 5A 00 00 00 00 9F 08 0D")}, {1}, {Hex("26 50 5A 00 00 00 00 9F 08 0D")}, "",
       CutStop::NoFrameStart},
      {"carriage returns between frames", {f + Hex("0D 0D") + g + Hex("0D")}, {2}, {f, g}, "",
       CutStop::NoFrameStart},
      {"split serial answer ahead of the first record", {Hex("31 32 33 9E 90 0D"), f}, {0, 1}, {f},
       Hex("31 32 33 9E 90 0D"), CutStop::NoFrameStart},
      {"prefix split over chunks", {Hex("26 50"), f.substr(2)}, {0, 1}, {f}, "", CutStop::NoFrameStart},
  };
  for (const auto& c : cases) {
    std::string buffer;
    std::vector<std::string> frames;
    CutStop stop = CutStop::NoFrameStart;
    for (size_t i = 0; i < c.chunks.size(); ++i) {
      stop = AppendAndCut(buffer, c.chunks[i], frames);
      EXPECT_EQ(frames.size(), c.framesAfterChunk[i]) << c.name << ", chunk " << i;
    }
    ASSERT_EQ(frames.size(), c.frames.size()) << c.name;
    for (size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(ToHex(frames[i]), ToHex(c.frames[i])) << c.name;
    EXPECT_EQ(ToHex(buffer), ToHex(c.buffer)) << c.name;
    EXPECT_EQ(stop, c.stop) << c.name;
  }
}

TEST(FrameCutter, TheDescribedDamagedChunkKeepsAll27Bytes) {
  std::string chunk = Hex("26 50 5A 00 00 00 11") + std::string(19, '\x22') + Hex("0E");
  std::string buffer;
  std::vector<std::string> frames;
  EXPECT_EQ(AppendAndCut(buffer, chunk, frames), CutStop::Damaged);
  EXPECT_TRUE(frames.empty());
  EXPECT_EQ(buffer.size(), 27u);
}

// What a line that never stops sending can do to the buffer.
TEST(FrameCutter, BufferStaysBoundedBehindADamagedFrame) {
  std::string damaged = Hex("26 50 5A 00 00 00 11") + std::string(19, '\x01') + Hex("41");
  std::string buffer;
  std::vector<std::string> frames;
  AppendAndCut(buffer, damaged, frames);
  std::string chunk(128, '\x55');
  for (int i = 0; i < 2000; ++i) AppendAndCut(buffer, i % 10 ? chunk : Frame27(), frames);
  EXPECT_TRUE(frames.empty());
  EXPECT_LE(buffer.size(), kReceiveBufferLimit);
  EXPECT_EQ(buffer.substr(0, damaged.size()), damaged);
}

TEST(FrameCutter, BufferStaysBoundedUnderNoiseAndFramesStillCome) {
  std::string buffer;
  std::vector<std::string> frames;
  std::string noise(128, '\x55');
  for (int i = 0; i < 2000; ++i) AppendAndCut(buffer, noise, frames);
  EXPECT_LE(buffer.size(), kReceiveBufferLimit + noise.size());
  // A prefix that starts at the end of the noise still makes a frame.
  std::string f = Frame27();
  AppendAndCut(buffer, noise + f.substr(0, 2), frames);
  AppendAndCut(buffer, f.substr(2), frames);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(ToHex(frames[0]), ToHex(f));
  // Noise between frames, frame after frame.
  for (int i = 0; i < 3000; ++i) AppendAndCut(buffer, noise + f, frames);
  EXPECT_EQ(frames.size(), 3001u);
  EXPECT_LE(buffer.size(), kReceiveBufferLimit + noise.size() + f.size());
}

}  // namespace
