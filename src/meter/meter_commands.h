// The commands the program sends to the meter; every one is a meter frame with its CRC.
#pragma once
#include <cstdint>
#include <string>

namespace movra {

// "&PA", three header bytes, 4 payload bytes: the access code that puts the meter into
// device mode.
std::string EnterDevCommand();
// "&PP": the meter answers with its serial number.
std::string QuerySNCommand();
// "&PZ": the meter starts sending its stored records, one frame per acknowledgement.
std::string DownloadRecordsCommand();
// The acknowledgement of one record; the meter sends the next record only after it.
std::string RecordAckCommand(uint8_t recordNumber);

}  // namespace movra
