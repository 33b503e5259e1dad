// Properties of a component that never opens a port.
#include <gtest/gtest.h>

#include <functional>

#include "comm/comm.h"

namespace movra {
namespace {

TEST(CommProperties, FreshComponentHasTheDefaults) {
  TComm comm;
  EXPECT_FALSE(comm.PortOpen());
  EXPECT_EQ(comm.CommPort(), 1);
  EXPECT_EQ(comm.CommName(), "COM1");
  EXPECT_EQ(comm.PortOpenError(), "");
  EXPECT_EQ(comm.LastFailure(), PortFailure::None);
  EXPECT_EQ(comm.BaudRate(), 9600u);
  EXPECT_EQ(comm.InputLen(), 1);
  EXPECT_EQ(comm.InBufferSize(), 2048);
  EXPECT_EQ(comm.DtrControl(), TDtrControl::DtrDisable);
  EXPECT_EQ(comm.RtsControl(), TRtsControl::RtsDisable);
  EXPECT_EQ(comm.ByteSize(), TByteSize::_8);
  EXPECT_EQ(comm.Parity(), TParity::None);
  EXPECT_EQ(comm.StopBits(), TStopBits::_1);
  EXPECT_EQ(comm.XonLimit(), 500);
  EXPECT_EQ(comm.XoffLimit(), 500);
  EXPECT_EQ(comm.XonChar(), 17);
  EXPECT_EQ(comm.XoffChar(), 19);
  EXPECT_EQ(comm.ReplacedChar(), 0);
  EXPECT_EQ(comm.ReadIntervalTimeout(), 100u);
  EXPECT_EQ(comm.ReadTotalTimeoutMultiplier(), 0u);
  EXPECT_EQ(comm.ReadTotalTimeoutConstant(), 0u);
  EXPECT_EQ(comm.WriteTotalTimeoutMultiplier(), 0u);
  EXPECT_EQ(comm.WriteTotalTimeoutConstant(), 0u);
  // Binary transfer only: no flow control, DTR and RTS held off.
  EXPECT_EQ(comm.DcbFlags(), 0x0001u);
}

TEST(CommProperties, CommPortNamesThePort) {
  TComm comm;
  comm.SetCommPort(12);
  EXPECT_EQ(comm.CommPort(), 12);
  EXPECT_EQ(comm.CommName(), "COM12");

  comm.SetCommPort(0);
  EXPECT_EQ(comm.CommPort(), 12);
  EXPECT_EQ(comm.CommName(), "COM12");

  // The same number again leaves a name that was set directly.
  comm.SetCommName("/dev/ttyS4");
  comm.SetCommPort(12);
  EXPECT_EQ(comm.CommName(), "/dev/ttyS4");
  comm.SetCommPort(255);
  EXPECT_EQ(comm.CommName(), "COM255");
}

TEST(CommProperties, InputLenStaysWithinTheBuffer) {
  struct Case {
    uint16_t bufferSize;
    uint16_t inputLen;
    uint16_t wantInputLen;
    uint16_t wantBufferSize;
  };
  const Case cases[] = {
      {2048, 0, 2048, 2048},   // 0 takes the whole buffer
      {2048, 3000, 1, 2048},   // larger than the buffer: ignored
      {2048, 2048, 2048, 2048},
      {2048, 128, 128, 2048},
      {0, 0, 1, 1},            // a buffer of 0 is one byte
      {64, 65, 1, 64},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "buffer " << c.bufferSize << ", input " << c.inputLen);
    TComm comm;
    comm.SetInBufferSize(c.bufferSize);
    comm.SetInputLen(c.inputLen);
    EXPECT_EQ(comm.InputLen(), c.wantInputLen);
    EXPECT_EQ(comm.InBufferSize(), c.wantBufferSize);
  }
}

TEST(CommProperties, FlagWordFollowsTheProperties) {
  struct Case {
    const char* what;
    std::function<void(TComm&)> set;
    uint32_t flags;
  };
  const Case cases[] = {
      {"parity check", [](TComm& c) { c.SetParityCheck(true); }, 0x0003},
      {"CTS flow", [](TComm& c) { c.SetOutx_CtsFlow(true); }, 0x0005},
      {"DSR flow", [](TComm& c) { c.SetOutx_DsrFlow(true); }, 0x0009},
      {"DTR enable", [](TComm& c) { c.SetDtrControl(TDtrControl::DtrEnable); }, 0x0011},
      {"DTR handshake", [](TComm& c) { c.SetDtrControl(TDtrControl::DtrHandshake); }, 0x0021},
      {"DSR sensitivity", [](TComm& c) { c.SetDsrSensitivity(true); }, 0x0041},
      {"TX continue on XOFF", [](TComm& c) { c.SetTxContinueOnXoff(true); }, 0x0081},
      {"XON/XOFF out", [](TComm& c) { c.SetOutx_XonXoffFlow(true); }, 0x0101},
      {"XON/XOFF in", [](TComm& c) { c.SetInx_XonXoffFlow(true); }, 0x0201},
      {"replace parity errors", [](TComm& c) { c.SetReplaceWhenParityError(true); }, 0x0401},
      {"ignore zero bytes", [](TComm& c) { c.SetIgnoreNullChar(true); }, 0x0801},
      {"RTS enable", [](TComm& c) { c.SetRtsControl(TRtsControl::RtsEnable); }, 0x1001},
      {"RTS handshake", [](TComm& c) { c.SetRtsControl(TRtsControl::RtsHandshake); }, 0x2001},
      {"RTS toggle", [](TComm& c) { c.SetRtsControl(TRtsControl::RtsTransmissionAvailable); }, 0x3001},
      {"everything",
       [](TComm& c) {
         c.SetParityCheck(true);
         c.SetOutx_CtsFlow(true);
         c.SetOutx_DsrFlow(true);
         c.SetDtrControl(TDtrControl::DtrHandshake);
         c.SetDsrSensitivity(true);
         c.SetTxContinueOnXoff(true);
         c.SetOutx_XonXoffFlow(true);
         c.SetInx_XonXoffFlow(true);
         c.SetReplaceWhenParityError(true);
         c.SetIgnoreNullChar(true);
         c.SetRtsControl(TRtsControl::RtsTransmissionAvailable);
       },
       0x3FEF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TComm comm;
    c.set(comm);
    EXPECT_EQ(comm.DcbFlags(), c.flags);
  }
}

}  // namespace
}  // namespace movra
