// The serial port (TComm) behind the byte-stream interface.
#pragma once
#include <string>

#include "comm/byte_transport.h"
#include "comm/comm.h"

namespace movra {

class SerialTransport final : public ByteTransport {
 public:
  SerialTransport();
  TComm& Port() { return comm_; }

  void SetLine(const std::string& name, const SerialLineSettings& settings) override;
  const std::string& Name() const override { return comm_.CommName(); }
  bool Open() override;
  void Close() override { comm_.ClosePort(); }
  bool IsOpen() const override { return comm_.PortOpen(); }
  TransportOpenFailure LastOpenFailure() const override;
  bool Write(const uint8_t* bytes, size_t n) override;

 private:
  TComm comm_;
};

}  // namespace movra
