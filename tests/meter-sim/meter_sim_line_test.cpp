// The simulator's line: pacing at the line speed, and one transfer after another.
#include <gtest/gtest.h>

#include <ostream>
#include <sys/ioctl.h>

#include <chrono>
#include <filesystem>

#include "sim_test_fixture.h"

namespace movra::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct PaceCase {
  const char* name;
  std::vector<std::string> args;
  speed_t speed;
  int minMs, maxMs;
};
void PrintTo(const PaceCase& c, std::ostream* os) { *os << c.name; }

class Pacing : public SimTest, public ::testing::WithParamInterface<PaceCase> {};

// 960 carriage returns and a record frame: 987 bytes, about 2.06 s at 4800 baud and
// 1.03 s at 9600 with 10 bits a byte.
TEST_P(Pacing, BytesComeAtTheLineSpeed) {
  const auto& c = GetParam();
  std::vector<std::string> args = {"--generate", "1", "--crs-before", "1:960"};
  args.insert(args.end(), c.args.begin(), c.args.end());
  Start(args);
  HostLine host(sim.devicePath(), c.speed);
  ASSERT_TRUE(host.isOpen()) << host.error();
  Greet(host);
  host.send(Hex(kDownload));
  auto t0 = Clock::now();
  std::string got = host.read(987, 10000);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
  ASSERT_EQ(got.size(), 987u);
  EXPECT_EQ(got.substr(0, 960), std::string(960, '\r'));
  EXPECT_GE(ms, c.minMs);
  EXPECT_LE(ms, c.maxMs);
}

INSTANTIATE_TEST_SUITE_P(Speeds, Pacing,
                         ::testing::Values(PaceCase{"At4800", {}, B4800, 1850, 5000},
                                           PaceCase{"At9600", {"--generation", "9600"}, B9600, 920, 1800},
                                           PaceCase{"Unpaced", {"--no-pace"}, B4800, 0, 900}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimTest, ServesTransfersOneAfterAnother) {
  Start({"--generate", "2", "--count-up"});
  {
    // The first host leaves half-way: record 2 is on its way when it closes the port, and
    // it leaves the port marked for exclusive use, which a real adapter forgets on close.
    HostLine host(sim.devicePath(), B4800, /*exclusive=*/true);
    ASSERT_TRUE(host.isOpen()) << host.error();
    Greet(host);
    host.send(Hex(kDownload));
    ASSERT_EQ(ReadFrame(host)[7], 1);
    host.send(AckFor(1));
    ASSERT_TRUE(sim.waitForJournal("ack 1"));
  }
  ASSERT_TRUE(sim.waitForJournal("close"));
  {
    HostLine host(sim.devicePath(), B4800);
    ASSERT_TRUE(host.isOpen()) << host.error();
    int exclusive = -1;
    ASSERT_EQ(ioctl(host.fd(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    // Nothing of the first transfer is left on the line; the meter starts over.
    EXPECT_EQ(host.readFor(200), "");
    Greet(host);
    host.send(Hex(kDownload));
    EXPECT_EQ(ReadFrame(host)[7], 1);
    host.send(AckFor(1));
    EXPECT_EQ(ReadFrame(host)[7], 2);
    host.send(AckFor(2));
    ASSERT_TRUE(sim.waitForJournal("ack 2"));
  }
  ASSERT_TRUE(sim.waitForJournal([](const auto& lines) { return std::count(lines.begin(), lines.end(), "close") == 2; }));
  EXPECT_EQ(sim.countJournal("cmd A"), 2);
  EXPECT_EQ(sim.countJournal("send 1"), 2);
  EXPECT_EQ(sim.countJournal("open 4800"), 2);
  EXPECT_TRUE(sim.running());
}

TEST_F(SimTest, OnceEndsAfterTheFirstTransfer) {
  const std::string link = dir.file("meter");
  Start({"--generate", "1", "--once", "--link", link});
  ASSERT_EQ(fs::canonical(link), fs::canonical(sim.devicePath()));
  {
    HostLine host(link, B4800);
    ASSERT_TRUE(host.isOpen()) << host.error();
    Greet(host);
    host.send(Hex(kDownload));
    EXPECT_EQ(ReadFrame(host)[7], 1);
    host.send(AckFor(1));
    ASSERT_TRUE(sim.waitForJournal("ack 1"));
    EXPECT_TRUE(sim.running());
  }
  EXPECT_EQ(sim.waitForExit(5000), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
  auto lines = sim.journalLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "close");
  EXPECT_EQ(lines.back(), "unplug");
}

}  // namespace
}  // namespace movra::test
