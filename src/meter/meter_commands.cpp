#include "meter/meter_commands.h"

#include "meter/meter_crc.h"

namespace movra {

namespace {
std::string Bytes(std::initializer_list<uint8_t> b) { return std::string(b.begin(), b.end()); }
}  // namespace

std::string EnterDevCommand() { return AppendCrc(Bytes({0x26, 0x50, 0x41, 0x00, 0x00, 0x00, 0x04}) + "R4=v"); }

std::string QuerySNCommand() { return Bytes({0x26, 0x50, 0x50, 0x00, 0x00, 0x00, 0x00, 0x9E, 0x90, 0x0D}); }

std::string DownloadRecordsCommand() { return Bytes({0x26, 0x50, 0x5A, 0x00, 0x00, 0x00, 0x00, 0x9F, 0x08, 0x0D}); }

std::string RecordAckCommand(uint8_t recordNumber) {
  return AppendCrc(Bytes({0x26, 0x50, 0x5A, recordNumber, 0x00, 0x00, 0x01, 0x01}));
}

}  // namespace movra
