// Who keeps what a Download command reads. It lives on the thread that started the
// command (the window's, or the command line's main thread) and is only called there.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/notice.h"
#include "meter/meter_record.h"

namespace movra {

class TRecordStore;

class DownloadKeeper {
 public:
  virtual ~DownloadKeeper() = default;
  // Stores every record waiting in `records` and returns once they are committed: the
  // meter hears each acknowledgement only afterwards. Returns what to tell the user.
  virtual std::vector<Notice> Keep(TMeterRecordQuery& records, const std::string& serialNumber,
                                   const std::string& portName, int32_t expectedCount) = 0;
  // The rows this transfer has stored so far, of the `handedOver` records it was given:
  // all of them unless the keeper knows better (a record stored already, or no result).
  virtual int32_t StoredThisTransfer(int32_t handedOver) const { return handedOver; }
  // The rows stored since the last call; each transfer's end adds them to the total.
  virtual int32_t TakeTransferCount() = 0;
  // At the command's end: records read that the database does not hold (after one more
  // try), and records that can be no result and were not stored.
  virtual int32_t UnsavedCount() = 0;
  virtual int32_t InvalidCount() const = 0;
};

// The keeper of the program's database, through its record store.
class RecordStoreKeeper : public DownloadKeeper {
 public:
  explicit RecordStoreKeeper(TRecordStore& store) : store_(store) {}
  std::vector<Notice> Keep(TMeterRecordQuery& records, const std::string& serialNumber, const std::string& portName,
            int32_t expectedCount) override;
  int32_t StoredThisTransfer(int32_t handedOver) const override;
  int32_t TakeTransferCount() override;
  int32_t UnsavedCount() override;
  int32_t InvalidCount() const override;

 private:
  TRecordStore& store_;
};

}  // namespace movra
