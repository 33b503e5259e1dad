// The results in the encrypted database: the data module's result list over Result_Log,
// stored through TRecordStore so that a result is kept once by the same rule as a download.
#pragma once
#include "data/record_store.h"
#include "data/result_store.h"

namespace movra {

class TDM;

class SqlResultStore : public ResultStore {
 public:
  // `ui` gets the busy cursor while a batch is stored.
  SqlResultStore(TDM& dm, StoreUi& ui) : dm_(dm), records_(dm, ui) {}

  StoreOutcome Store(const std::vector<InrResult>& batch) override;
  std::vector<InrResult> Listed() override;
  std::vector<InrResult> Stored() override;
  std::vector<InrResult> ReadPeriod(const ResultPeriod& period) override;

 private:
  TDM& dm_;
  TRecordStore records_;
};

}  // namespace movra
