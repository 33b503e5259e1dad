// The line settings as termios flags, for the settings a pseudo-terminal ignores.
#include <gtest/gtest.h>
#include <termios.h>

#include "comm/serial_backend.h"
#include "comm/serial_termios.h"

namespace movra {
namespace {

termios cooked() {
  // What a fresh tty reports: line editing, echo and CR/LF translation on.
  termios t{};
  t.c_iflag = ICRNL | IXON | BRKINT;
  t.c_oflag = OPOST | ONLCR;
  t.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
  t.c_cflag = CS7 | PARENB | HUPCL;
  cfsetospeed(&t, B38400);
  cfsetispeed(&t, B38400);
  return t;
}

TEST(SerialTermios, MeterSettingsGiveARawEightBitLine) {
  for (uint32_t rate : {4800u, 9600u}) {
    SerialLineSettings s;
    s.baudRate = rate;
    termios t = cooked();
    ASSERT_TRUE(LineSettingsToTermios(s, t));
    speed_t want = rate == 4800 ? B4800 : B9600;
    EXPECT_EQ(cfgetospeed(&t), want);
    EXPECT_EQ(cfgetispeed(&t), want);
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_cflag & (CREAD | CLOCAL), tcflag_t(CREAD | CLOCAL));
    EXPECT_EQ(t.c_iflag & (ICRNL | IXON | IXOFF | INPCK | BRKINT), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_cc[VSTART], 17);
    EXPECT_EQ(t.c_cc[VSTOP], 19);
    EXPECT_NE(t.c_cflag & HUPCL, 0u);  // not ours: kept
  }
}

TEST(SerialTermios, FramingAndFlowControl) {
  struct Case {
    const char* what;
    uint8_t dataBits;
    TParity parity;
    TStopBits stopBits;
    TFlowControl flow;
    tcflag_t cflag;  // within CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS
    tcflag_t iflag;  // within INPCK | IGNPAR | IXON | IXOFF
  };
  const auto none = TFlowControl::None;
  const Case cases[] = {
      {"5N1", 5, TParity::None, TStopBits::_1, none, CS5, 0},
      {"6N1", 6, TParity::None, TStopBits::_1, none, CS6, 0},
      {"7E1", 7, TParity::Even, TStopBits::_1, none, CS7 | PARENB, 0},
      {"8O1", 8, TParity::Odd, TStopBits::_1, none, CS8 | PARENB | PARODD, 0},
      {"8M1", 8, TParity::Mark, TStopBits::_1, none, CS8 | PARENB | PARODD | CMSPAR, 0},
      {"8S1", 8, TParity::Space, TStopBits::_1, none, CS8 | PARENB | CMSPAR, 0},
      {"8N1.5", 8, TParity::None, TStopBits::_1_5, none, CS8 | CSTOPB, 0},
      {"8N2", 8, TParity::None, TStopBits::_2, none, CS8 | CSTOPB, 0},
      {"hardware flow", 8, TParity::None, TStopBits::_1, TFlowControl::Hardware, CS8 | CRTSCTS, 0},
      {"software flow", 8, TParity::None, TStopBits::_1, TFlowControl::Software, CS8, IXON | IXOFF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SerialLineSettings s;
    s.dataBits = c.dataBits;
    s.parity = c.parity;
    s.stopBits = c.stopBits;
    s.flowControl = c.flow;
    termios t = cooked();
    ASSERT_TRUE(LineSettingsToTermios(s, t));
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS), c.cflag);
    EXPECT_EQ(t.c_iflag & (INPCK | IGNPAR | IXON | IXOFF), c.iflag);
  }
}

TEST(SerialTermios, UnknownRateIsRefusedWithoutChanges) {
  SerialLineSettings s;
  s.baudRate = 14400;  // a Windows rate the tty layer does not have
  termios t = cooked();
  termios before = t;
  EXPECT_FALSE(LineSettingsToTermios(s, t));
  EXPECT_EQ(t.c_cflag, before.c_cflag);
  EXPECT_EQ(t.c_lflag, before.c_lflag);
  EXPECT_EQ(cfgetospeed(&t), cfgetospeed(&before));
}

}  // namespace
}  // namespace movra
