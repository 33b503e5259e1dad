// The meter's answer and record frames share one layout: a three-byte start ("&PP" for the
// serial number answer, "&PZ" for a record), three header bytes, the payload length byte,
// the payload, a two-byte CRC and a carriage return.
#pragma once
#include <cstddef>

namespace movra {

inline constexpr char kRecordFrameStart[] = "&PZ";
inline constexpr char kSerialAnswerStart[] = "&PP";
inline constexpr size_t kFrameStartLength = 3;
inline constexpr size_t kLengthOffset = 6;                      // the payload length byte
inline constexpr size_t kFrameHeaderLength = kLengthOffset + 1;  // the payload starts here
inline constexpr size_t kFrameOverhead = kFrameHeaderLength + 3;  // header, CRC, carriage return

}  // namespace movra
