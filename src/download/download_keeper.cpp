#include "download/download_keeper.h"

#include <utility>

#include "data/record_store.h"

namespace movra {

std::vector<Notice> RecordStoreKeeper::Keep(TMeterRecordQuery& records, const std::string& serialNumber,
                                            const std::string& portName, int32_t expectedCount) {
  return store_.StoreMeterRecords(records, serialNumber, portName, expectedCount);
}

int32_t RecordStoreKeeper::StoredThisTransfer(int32_t) const { return store_.TransferCount; }

int32_t RecordStoreKeeper::TakeTransferCount() { return std::exchange(store_.TransferCount, 0); }

int32_t RecordStoreKeeper::UnsavedCount() {
  store_.WritePendingRows();
  return store_.UnsavedCount();
}

int32_t RecordStoreKeeper::InvalidCount() const { return store_.InvalidCount; }

}  // namespace movra
