#include <algorithm>

#include "comm/serial_transport.h"

namespace movra {

SerialTransport::SerialTransport() {
  // The handlers are copied first: one may replace itself while it runs.
  comm_.OnReceiveData = [this](TComm*, const uint8_t* buffer, uint16_t length) {
    if (auto h = OnReceive) h(buffer, length);
  };
  comm_.OnRequestHangup = [this](TComm*) {
    if (auto h = OnLineFailure) h();
  };
}

void SerialTransport::SetLine(const std::string& name, const SerialLineSettings& s) {
  comm_.SetCommName(name);
  comm_.SetBaudRate(s.baudRate);
  comm_.SetByteSize(static_cast<TByteSize>(std::clamp<int>(s.dataBits, 5, 8) - 5));
  comm_.SetParity(s.parity);
  comm_.SetStopBits(s.stopBits);
  comm_.SetFlowControl(s.flowControl);
  comm_.SetDataTerminalReady(s.dataTerminalReady);
  comm_.SetRequestToSend(s.requestToSend);
}

bool SerialTransport::Open() {
  comm_.OpenPort();
  return comm_.PortOpen();
}

TransportOpenFailure SerialTransport::LastOpenFailure() const {
  return {comm_.PortOpenError(), comm_.LastFailure(), comm_.LastFailureText()};
}

bool SerialTransport::Write(const uint8_t* bytes, size_t n) {
  // The port takes at most 65535 bytes at a time.
  while (n > 0) {
    auto piece = static_cast<uint16_t>(std::min<size_t>(n, 0xFFFF));
    if (!comm_.WriteData(bytes, piece)) return false;
    bytes += piece;
    n -= piece;
  }
  return true;
}

}  // namespace movra
