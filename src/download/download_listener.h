// What a Download command tells the one who started it, as it happens. Every call comes on
// the thread that started the command, in this order: per speed a pass, per port a
// reading, its serial number, progress and notices, the rows it stored and its end; then
// the command's end, once.
#pragma once
#include <cstdint>
#include <string>

#include "app/notice.h"
#include "comm/byte_transport.h"
#include "meter/transfer_outcome.h"

namespace movra {

// How a whole Download command ended.
struct DownloadResult {
  bool portsFound = false;  // there was a USB-to-UART port to read
  bool stopped = false;     // Stop (or the end of the session) ended it early
  bool meterAnswered = false;  // some meter answered on some port
  // A port that would not open (or a port entry that is no port) ended the command: the
  // designed message for it, "" when none did.
  std::string failure;
  // Why that port did not open, in the serial port's words, for a caller with its own.
  TransportOpenFailure openFailure;
  int32_t total = 0;     // records stored
  DownloadOutcome outcome;
  int32_t notSaved = 0;  // read but not held by the database
  int32_t invalid = 0;   // read but no result, not stored
  // "Finished transfering. Total records: n! " and, when records stay in the meter, the
  // second line that says so.
  std::string SummaryText() const;
  // True when records may still be in the meter or were read and not stored.
  bool LeftRecordsBehind() const { return outcome.incomplete || notSaved > 0 || invalid > 0; }
};

class DownloadListener {
 public:
  virtual ~DownloadListener() = default;
  // The ports are read at `baud` now (4800 first, then 9600).
  virtual void OnPassStarted(int baud) { (void)baud; }
  // One transfer begins: port number (or 0 for a port given by path), its name, the speed.
  virtual void OnPortReading(int port, const std::string& portName, int baud) {
    (void)port, (void)portName, (void)baud;
  }
  // The serial number the meter on this port gave: before its first records are kept, or
  // at the transfer's end when it sent none ("Unknown" when it gave none).
  virtual void OnSerialNumber(const std::string& serialNumber) { (void)serialNumber; }
  // After each batch is kept: the rows this transfer has stored so far, against the count
  // the meter announced with its first record (0 before it).
  virtual void OnProgress(int32_t stored, int32_t announced) { (void)stored, (void)announced; }
  // Something the user must be told now, as a box or a line: a frame the meter sent
  // damaged, a record that could not be converted or stored. Comes in its place among the
  // other events.
  virtual void OnNotice(const Notice& notice) = 0;
  // At the transfer's end, before OnTransferEnded: the rows it stored, which the
  // command's total counts.
  virtual void OnRecordsStored(int32_t stored) { (void)stored; }
  // The transfer on that port ended.
  virtual void OnTransferEnded(const TransferOutcome& outcome) { (void)outcome; }
  // The command is over; nothing follows.
  virtual void OnCommandEnded(const DownloadResult& result) = 0;
};

}  // namespace movra
