// TComm on real pseudo-terminals: the test plays the device on the master side and runs
// the component's events through an event loop on the test thread.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <termios.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/event_loop.h"
#include "comm/comm.h"
#include "pty_pair.h"
#include "temp_dir.h"

namespace movra {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Chunk {
  std::string bytes;
  bool zeroAfter;
  Clock::time_point at;
};

class CommPort : public ::testing::Test {
 protected:
  CommPort() { comm.SetCommName(pty.slavePath()); }

  // Records every OnReceiveData call.
  void recordChunks() {
    comm.OnReceiveData = [this](TComm* sender, const uint8_t* buffer, uint16_t n) {
      EXPECT_EQ(sender, &comm);
      chunks.push_back({std::string(reinterpret_cast<const char*>(buffer), n), buffer[n] == 0, Clock::now()});
    };
  }
  size_t received() const {
    size_t n = 0;
    for (const auto& c : chunks) n += c.bytes.size();
    return n;
  }
  std::string joined() const {
    std::string s;
    for (const auto& c : chunks) s += c.bytes;
    return s;
  }
  bool waitFor(const std::function<bool()>& pred, std::chrono::milliseconds limit = 5s) {
    return loop->runUntil(pred, limit);
  }
  void openOk() {
    comm.OpenPort();
    ASSERT_TRUE(comm.PortOpen()) << comm.PortOpenError() << " / " << comm.LastFailureText();
    EXPECT_EQ(comm.PortOpenError(), "");
  }

  std::shared_ptr<EventLoop> loop = EventLoop::createForThisThread();
  test::PtyPair pty;
  TComm comm;
  std::vector<Chunk> chunks;
};

std::string pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 7 + 1);
  return s;
}

TEST_F(CommPort, BurstArrivesInChunksOfInputLen) {
  comm.SetInputLen(128);
  recordChunks();
  openOk();
  std::string burst = pattern(300);
  pty.send(burst);
  ASSERT_TRUE(waitFor([&] { return received() >= 300; }));
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[0].bytes.size(), 128u);
  EXPECT_EQ(chunks[1].bytes.size(), 128u);
  EXPECT_EQ(chunks[2].bytes.size(), 44u);
  for (const auto& c : chunks) EXPECT_TRUE(c.zeroAfter);
  EXPECT_EQ(joined(), burst);
}

TEST_F(CommPort, ReadsNeverExceedTheBuffer) {
  comm.SetInputLen(128);
  comm.SetInBufferSize(16);  // shrunk after InputLen was set
  recordChunks();
  openOk();
  pty.send(pattern(40));
  ASSERT_TRUE(waitFor([&] { return received() >= 40; }));
  for (const auto& c : chunks) EXPECT_LE(c.bytes.size(), 16u);
  EXPECT_EQ(joined(), pattern(40));
}

TEST_F(CommPort, ShortAnswerArrivesAfterTheReadInterval) {
  for (uint32_t interval : {100u, 300u}) {
    SCOPED_TRACE(interval);
    comm.SetReadIntervalTimeout(interval);
    comm.SetInputLen(128);
    chunks.clear();
    recordChunks();
    openOk();
    auto sent = Clock::now();
    pty.send("\x06OK\r\n");
    ASSERT_TRUE(waitFor([&] { return received() >= 5; }));
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0].bytes, "\x06OK\r\n");
    auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(chunks[0].at - sent);
    EXPECT_GE(waited.count(), interval - 5);
    EXPECT_LT(waited.count(), interval + 2000);
    comm.ClosePort();
  }
}

TEST_F(CommPort, DataWithoutHandlerIsDropped) {
  comm.SetInputLen(128);
  openOk();
  pty.send("lost");
  loop->runUntil([] { return false; }, 400ms);
  recordChunks();
  pty.send("kept");
  ASSERT_TRUE(waitFor([&] { return received() >= 4; }));
  loop->runUntil([] { return false; }, 200ms);
  EXPECT_EQ(joined(), "kept");
}

TEST_F(CommPort, WrittenBytesReachTheDevice) {
  openOk();
  // Posted straight after opening, as the meter sends its first command.
  const uint8_t command[] = {'&', 'P', 'P', 0, 0, 0, 0, 0x9E, 0x90};
  ASSERT_TRUE(comm.WriteData(command, sizeof command));
  EXPECT_EQ(pty.receive(sizeof command), std::string(reinterpret_cast<const char*>(command), sizeof command));

  comm.SetOutput("ACK");
  EXPECT_EQ(comm.Output(), "ACK");
  EXPECT_EQ(pty.receive(3), "ACK");
}

TEST_F(CommPort, SendDataEmptyOnceAfterStart) {
  int empties = 0;
  comm.OnSendDataEmpty = [&](TComm*) { ++empties; };
  openOk();
  ASSERT_TRUE(waitFor([&] { return empties >= 1; }));
  loop->runUntil([] { return false; }, 300ms);
  EXPECT_EQ(empties, 1);
  ASSERT_TRUE(comm.WriteData(reinterpret_cast<const uint8_t*>("x"), 1));
  ASSERT_TRUE(waitFor([&] { return empties >= 2; }));
  EXPECT_EQ(pty.receive(1), "x");
}

TEST_F(CommPort, WriteDataRefusals) {
  const uint8_t byte = 0x55;
  EXPECT_FALSE(comm.WriteData(&byte, 1));  // closed
  openOk();
  EXPECT_FALSE(comm.WriteData(&byte, 0));
  EXPECT_TRUE(comm.WriteData(&byte, 1));
  comm.ClosePort();
  EXPECT_FALSE(comm.WriteData(&byte, 1));
}

TEST_F(CommPort, LargeWriteIsNotCutShort) {
  openOk();
  // More than the pseudo-terminal holds, so the writer has to wait for the device.
  std::string big = pattern(20000);
  comm.SetOutput(big);
  EXPECT_EQ(pty.receive(big.size(), 10s), big);
}

TEST_F(CommPort, ClosePortDoesNotWaitForAStuckWrite) {
  openOk();
  // The device reads nothing, so the writer waits for room on the line.
  comm.SetOutput(pattern(20000));
  loop->runUntil([] { return false; }, 200ms);
  auto start = Clock::now();
  comm.ClosePort();
  EXPECT_LT(Clock::now() - start, 2s);
  EXPECT_FALSE(comm.PortOpen());
}

TEST_F(CommPort, OpenTwiceKeepsThePortOpen) {
  recordChunks();
  comm.SetInputLen(128);
  openOk();
  comm.OpenPort();
  EXPECT_EQ(comm.PortOpenError(), "This serial port already opened");
  EXPECT_TRUE(comm.PortOpen());
  pty.send("still");
  ASSERT_TRUE(waitFor([&] { return received() >= 5; }));
  EXPECT_EQ(joined(), "still");
}

TEST_F(CommPort, OpenFailures) {
  test::TempDir dir;
  dir.write("plain.txt", "not a tty");
  dir.mkdirs("dev");
  const char* oldRoot = getenv("MOVRA_DEVICE_ROOT");
  std::string savedRoot = oldRoot ? oldRoot : "";
  setenv("MOVRA_DEVICE_ROOT", dir.path().c_str(), 1);

  TComm holder;
  holder.SetCommName(pty.slavePath());
  holder.OpenPort();
  ASSERT_TRUE(holder.PortOpen());

  struct Case {
    std::string name;
    const char* error;
    PortFailure failure;
  };
  const Case cases[] = {
      {"COM5", "Error opening serial port", PortFailure::NoSuchDevice},
      {dir.file("dev/ttyUSB9"), "Error opening serial port", PortFailure::NoSuchDevice},
      {"LPT1", "Error opening serial port", PortFailure::NoSuchDevice},
      {dir.file("plain.txt"), "File handle is not a comm handle ", PortFailure::NotATty},
      {pty.slavePath(), "Error opening serial port", PortFailure::Busy},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    comm.SetCommName(c.name);
    EXPECT_NO_THROW(comm.OpenPort());
    EXPECT_FALSE(comm.PortOpen());
    EXPECT_EQ(comm.PortOpenError(), c.error);
    EXPECT_EQ(comm.LastFailure(), c.failure);
    EXPECT_NE(comm.LastFailureText(), "");
    // A failed open leaves nothing to close.
    comm.ClosePort();
    EXPECT_EQ(comm.PortOpenError(), "");
  }
  if (oldRoot)
    setenv("MOVRA_DEVICE_ROOT", savedRoot.c_str(), 1);
  else
    unsetenv("MOVRA_DEVICE_ROOT");

  // Once the holder lets go, the port opens.
  holder.ClosePort();
  comm.SetCommName(pty.slavePath());
  openOk();
  EXPECT_EQ(comm.LastFailure(), PortFailure::None);
}

TEST_F(CommPort, ClosingAClosedPortOnlyEmptiesTheError) {
  comm.SetPortOpenError("old text");
  comm.ClosePort();
  EXPECT_EQ(comm.PortOpenError(), "");
  EXPECT_FALSE(comm.PortOpen());
}

TEST_F(CommPort, UnplugRaisesHangupAndThePortStaysOpenUntilClosed) {
  int hangups = 0;
  comm.OnRequestHangup = [&](TComm* sender) {
    EXPECT_EQ(sender, &comm);
    ++hangups;
  };
  openOk();
  pty.closeMaster();
  ASSERT_TRUE(waitFor([&] { return hangups >= 1; }));
  EXPECT_TRUE(comm.PortOpen());
  const uint8_t byte = 1;
  EXPECT_TRUE(comm.WriteData(&byte, 1));  // the writer learns of it only now
  loop->runUntil([] { return false; }, 300ms);
  EXPECT_TRUE(comm.PortOpen());

  auto start = Clock::now();
  comm.ClosePort();
  EXPECT_LT(Clock::now() - start, 2s);
  EXPECT_FALSE(comm.PortOpen());
  EXPECT_EQ(comm.PortOpenError(), "");
}

TEST_F(CommPort, SetPortOpenOpensAndCloses) {
  comm.SetPortOpen(true);
  EXPECT_TRUE(comm.PortOpen());
  comm.SetPortOpen(false);
  EXPECT_FALSE(comm.PortOpen());
  // Reopening the same device works: nothing of the first open is left holding it.
  comm.SetPortOpen(true);
  EXPECT_TRUE(comm.PortOpen());
}

TEST_F(CommPort, DestroyingAnOpenComponentClosesIt) {
  auto doomed = std::make_unique<TComm>();
  doomed->SetCommName(pty.slavePath());
  doomed->SetInputLen(1);
  int calls = 0;
  doomed->OnReceiveData = [&](TComm*, const uint8_t*, uint16_t) { ++calls; };
  doomed->OpenPort();
  ASSERT_TRUE(doomed->PortOpen());
  pty.send("abcdef");
  std::this_thread::sleep_for(200ms);  // the reader posts the bytes; nobody dispatches them
  auto start = Clock::now();
  doomed.reset();
  EXPECT_LT(Clock::now() - start, 2s);
  // Posted before the end, delivered to nobody.
  loop->processPending();
  EXPECT_EQ(calls, 0);
  // The device is free again.
  openOk();
}

TEST_F(CommPort, LineSettingsReachTheDevice) {
  comm.SetBaudRate(4800);
  openOk();
  termios t = pty.lineSettings();
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B4800));
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | INPCK), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);

  // An open port takes a new rate at once.
  comm.SetBaudRate(9600);
  t = pty.lineSettings();
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
  EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B9600));

  // A pseudo-terminal always reports 8 data bits and no parity enable; the flags it keeps
  // show that the settings went through. The whole mapping is checked in serial_termios_test.
  struct Case {
    const char* what;
    std::function<void(TComm&)> set;
    tcflag_t cflagMask, cflag, iflagMask, iflag;
  };
  const tcflag_t parityKind = PARODD | CMSPAR;
  const Case cases[] = {
      {"odd", [](TComm& c) { c.SetParity(TParity::Odd); }, parityKind, PARODD, 0, 0},
      {"mark", [](TComm& c) { c.SetParity(TParity::Mark); }, parityKind, PARODD | CMSPAR, 0, 0},
      {"space", [](TComm& c) { c.SetParity(TParity::Space); }, parityKind, CMSPAR, 0, 0},
      {"2 stop bits", [](TComm& c) { c.SetStopBits(TStopBits::_2); }, CSTOPB, CSTOPB, 0, 0},
      {"hardware flow", [](TComm& c) { c.SetFlowControl(TFlowControl::Hardware); }, CRTSCTS, CRTSCTS, 0, 0},
      {"software flow", [](TComm& c) { c.SetFlowControl(TFlowControl::Software); }, 0, 0, IXON | IXOFF,
       IXON | IXOFF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TComm other;
    other.SetCommName(pty.slavePath());
    comm.ClosePort();
    c.set(other);
    other.OpenPort();
    ASSERT_TRUE(other.PortOpen()) << other.LastFailureText();
    t = pty.lineSettings();
    EXPECT_EQ(t.c_cflag & c.cflagMask, c.cflag);
    EXPECT_EQ(t.c_iflag & c.iflagMask, c.iflag);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
  }

  // XON and XOFF are the usual DC1 and DC3.
  EXPECT_EQ(t.c_cc[VSTART], 0x11);
  EXPECT_EQ(t.c_cc[VSTOP], 0x13);
}

TEST_F(CommPort, ClosingPutsBackTheLineAsItWas) {
  // The line as another program left it: line editing, echo, CR/LF translation, 38400.
  termios theirs = pty.lineSettings();
  theirs.c_iflag |= ICRNL | IXON;
  theirs.c_oflag |= OPOST | ONLCR;
  theirs.c_lflag |= ICANON | ECHO | ISIG;
  cfsetispeed(&theirs, B38400);
  cfsetospeed(&theirs, B38400);
  ASSERT_EQ(::tcsetattr(pty.master(), TCSANOW, &theirs), 0);
  theirs = pty.lineSettings();

  struct Case {
    const char* what;
    std::function<void(TComm&)> whileOpen;
    std::function<void(std::unique_ptr<TComm>&)> close;
  };
  const Case cases[] = {
      {"ClosePort", [](TComm&) {}, [](std::unique_ptr<TComm>& c) { c->ClosePort(); }},
      {"PortOpen false after a new rate", [](TComm& c) { c.SetBaudRate(9600); },
       [](std::unique_ptr<TComm>& c) { c->SetPortOpen(false); }},
      {"destroyed while open", [](TComm& c) { c.SetFlowControl(TFlowControl::Software); },
       [](std::unique_ptr<TComm>& c) { c.reset(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto port = std::make_unique<TComm>();
    port->SetCommName(pty.slavePath());
    port->SetBaudRate(4800);
    port->OpenPort();
    ASSERT_TRUE(port->PortOpen()) << port->LastFailureText();
    c.whileOpen(*port);
    termios ours = pty.lineSettings();
    EXPECT_EQ(ours.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_NE(cfgetospeed(&ours), static_cast<speed_t>(B38400));

    c.close(port);
    termios after = pty.lineSettings();
    EXPECT_EQ(after.c_iflag, theirs.c_iflag);
    EXPECT_EQ(after.c_oflag, theirs.c_oflag);
    EXPECT_EQ(after.c_cflag, theirs.c_cflag);
    EXPECT_EQ(after.c_lflag, theirs.c_lflag);
    EXPECT_EQ(cfgetospeed(&after), static_cast<speed_t>(B38400));
    EXPECT_EQ(cfgetispeed(&after), static_cast<speed_t>(B38400));
  }
}

TEST_F(CommPort, UnsupportedRateLeavesTheLineAsItWas) {
  comm.SetBaudRate(4800);
  openOk();
  comm.SetBaudRate(12345);
  termios t = pty.lineSettings();
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B4800));
  EXPECT_TRUE(comm.PortOpen());
}

}  // namespace
}  // namespace movra
