// Properties of a component that never opens a port.
#include <gtest/gtest.h>

#include <functional>

#include "comm/comm.h"
#include "comm/serial_backend.h"

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
  EXPECT_EQ(comm.ByteSize(), TByteSize::_8);
  EXPECT_EQ(comm.Parity(), TParity::None);
  EXPECT_EQ(comm.StopBits(), TStopBits::_1);
  EXPECT_EQ(comm.FlowControl(), TFlowControl::None);
  EXPECT_FALSE(comm.DataTerminalReady());
  EXPECT_FALSE(comm.RequestToSend());
  EXPECT_EQ(comm.ReadIntervalTimeout(), 100u);
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

TEST(CommProperties, LineSettingsFollowTheProperties) {
  struct Case {
    const char* what;
    std::function<void(TComm&)> set;
    SerialLineSettings want;
  };
  auto with = [](auto change) {
    SerialLineSettings s;
    change(s);
    return s;
  };
  const Case cases[] = {
      // Binary transfer only: no flow control, DTR and RTS held off.
      {"defaults", [](TComm&) {}, SerialLineSettings{}},
      {"meter at 4800 8N1",
       [](TComm& c) {
         c.SetBaudRate(4800);
         c.SetByteSize(TByteSize::_8);
         c.SetParity(TParity::None);
         c.SetStopBits(TStopBits::_1);
       },
       with([](SerialLineSettings& s) { s.baudRate = 4800; })},
      {"7E2",
       [](TComm& c) {
         c.SetByteSize(TByteSize::_7);
         c.SetParity(TParity::Even);
         c.SetStopBits(TStopBits::_2);
       },
       with([](SerialLineSettings& s) {
         s.dataBits = 7;
         s.parity = TParity::Even;
         s.stopBits = TStopBits::_2;
       })},
      {"5 data bits", [](TComm& c) { c.SetByteSize(TByteSize::_5); },
       with([](SerialLineSettings& s) { s.dataBits = 5; })},
      {"hardware flow control", [](TComm& c) { c.SetFlowControl(TFlowControl::Hardware); },
       with([](SerialLineSettings& s) { s.flowControl = TFlowControl::Hardware; })},
      {"modem lines up",
       [](TComm& c) {
         c.SetDataTerminalReady(true);
         c.SetRequestToSend(true);
       },
       with([](SerialLineSettings& s) { s.dataTerminalReady = s.requestToSend = true; })},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TComm comm;
    c.set(comm);
    SerialLineSettings got = comm.LineSettings();
    EXPECT_EQ(got.baudRate, c.want.baudRate);
    EXPECT_EQ(got.dataBits, c.want.dataBits);
    EXPECT_EQ(got.parity, c.want.parity);
    EXPECT_EQ(got.stopBits, c.want.stopBits);
    EXPECT_EQ(got.flowControl, c.want.flowControl);
    EXPECT_EQ(got.dataTerminalReady, c.want.dataTerminalReady);
    EXPECT_EQ(got.requestToSend, c.want.requestToSend);
  }
}

}  // namespace
}  // namespace movra
